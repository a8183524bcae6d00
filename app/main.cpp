#include <QApplication>

#include "app/quorvel_app.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    return quorvel::CQuorvelApp().Run(QApplication::arguments());
}
