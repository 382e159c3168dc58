// What the control families share inside the adapter; not for the games.
#pragma once

#include <QFont>

class QWidget;

namespace tk {

class TControl;
class TForm;

// The layout's font at a height in pixels.
QFont LayoutFont(int pixels);
// The window a widget stands in, or nullptr.
TForm* FormOf(QWidget* widget);
// The widget a control's children go into (a window's client area), or nullptr for none.
QWidget* ParentClient(TControl* parent);

} // namespace tk
