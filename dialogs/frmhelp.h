#pragma once

#include <QDialog>

class frmHelp : public QDialog
{
    Q_OBJECT
public:
    explicit frmHelp(QWidget *parent = nullptr);
};
