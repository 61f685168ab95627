#include "dialogs/frmabout.h"

frmAbout::frmAbout(QWidget *parent) : QDialog(parent) {}
