#pragma once

#include "dialogs/fixeddialog.h"

class QLabel;
class QPushButton;

// The rules of the game under a bold title. Show it with `frmHelp(owner).exec()`.
class frmHelp : public FixedDialog
{
    Q_OBJECT
public:
    explicit frmHelp(QWidget *parent = nullptr);

private:
    void load();
    void fitRulesText();

    QLabel *Label1;
    QLabel *Label2;
    QPushButton *OKButton;
};
