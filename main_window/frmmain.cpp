#include "main_window/frmmain.h"

frmMain::frmMain(QWidget *parent) : QMainWindow(parent) {}
