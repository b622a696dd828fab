#pragma once

#include <QObject>
#include <QString>

class GuiMain;
class QLineEdit;

// Keeps the SFD field a decimal number as far as the engineer can edit it: character keys go through
// GuiMain::SfdText_KeyPress, and an edit that bypasses the keys (paste, drop, input method) is refused when
// it would bring in anything but digits. The field is not limited in length.
class SfdInputFilter : public QObject {
  public:
    SfdInputFilter(GuiMain& window, QLineEdit& field);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CheckEdit(const QString& edited);

    GuiMain& window_;
    QLineEdit& field_;
    QString accepted_;  // the text before the edit being checked
};
