#pragma once

#include <QFont>
#include <QPushButton>

// The fixed layout was drawn for a narrow dialog face. Liberation Sans (fonts-liberation2, metric-compatible
// with Arial) at 7.5 pt fits every caption; where it is missing, the system's sans at 7 pt does.
QFont DialogFont();
QFont FallbackDialogFont();

// A push button whose caption, when wider than the button, wraps onto a second line at a word boundary.
// Without Q_OBJECT it stays, to the meta-object system, the QPushButton the window's inventory names.
class CaptionButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};
