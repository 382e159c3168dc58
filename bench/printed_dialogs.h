// An error box in a benchmark would wait for a click that never comes: its text is printed instead.
#pragma once

#include "toolkit/ui/application.h"

#include <cstdio>

class PrintedDialogs : public tk::Dialogs {
public:
    void ShowMessage(const QString& text, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    void ShowError(const QString& text, const QString&) override {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
};
