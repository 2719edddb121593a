#include "app/CKTRApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    CKTRApp app;
    if (!app.InitInstance())
        return 1;
    return application.exec();
}
