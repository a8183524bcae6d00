// quorvelctl: the command-line front end of Quorvel.
#include "cli/quorvelctl.h"

int main(int argc, char** argv) {
    return quorvel::cli::RunQuorvelCtl(argc, argv);
}
