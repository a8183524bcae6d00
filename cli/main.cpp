// quorvelctl: the command-line front end of Quorvel.
#include <malloc.h>

#include "cli/quorvelctl.h"

int main(int argc, char** argv) {
    // One heap for all threads. A command lives for milliseconds and its threads allocate
    // little, while every extra heap costs fresh pages the moment a thread first allocates.
    mallopt(M_ARENA_MAX, 1);
    return quorvel::cli::RunQuorvelCtl(argc, argv);
}
