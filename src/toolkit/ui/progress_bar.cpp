// SPDX-License-Identifier: GPL-3.0-or-later
// The progress bar.
#include "toolkit/ui/controls.h"
#include "toolkit/ui/controls_internal.h"

#include <algorithm>

namespace tk {

TProgressBar::TProgressBar(TControl* parent) : QProgressBar(ParentClient(parent)), TControl(this) {
    setTextVisible(true);
    setFormat(QStringLiteral("%v z %m")); // "12 z 23"
    setAlignment(Qt::AlignCenter);
    setRange(0, 1);
    setValue(0);
    show();
}

void TProgressBar::SetProgress(int position, int max) {
    if (max != maximum())
        setRange(0, max);
    setValue(max == 0 ? 0 : std::clamp(position, 0, max));
}

} // namespace tk
