#include "dialogs/frmhelp.h"

frmHelp::frmHelp(QWidget *parent) : QDialog(parent) {}
