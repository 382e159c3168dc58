// A main() for a Qt Test class that runs inside the program's own application object.
#pragma once

#include "toolkit/ui/application.h"

#include <QTest>

#define TK_TEST_MAIN(TestClass)                                                                              \
    int main(int argc, char** argv) {                                                                        \
        qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")            \
                                                                        : qgetenv("QT_QPA_PLATFORM"));       \
        tk::Application app(argc, argv);                                                                     \
        TestClass test;                                                                                      \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
