#pragma once

#include "dialogs/fixeddialog.h"

class QLabel;
class QPushButton;

// The program's picture, title and version. Show it with `frmAbout(owner).exec()`.
class frmAbout : public FixedDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

private:
    QLabel *Picture1;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QPushButton *OKButton;
};
