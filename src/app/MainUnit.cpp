#include "app/MainUnit.h"

namespace {
TMain *g_main = nullptr;
}

TMain::TMain(QWidget *parent)
    : QMainWindow(parent)
{
    g_main = this;
    setWindowTitle(QStringLiteral("营养配餐系统 V2.0"));
    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("Panel"));
    setCentralWidget(m_panel);
}

TMain::~TMain()
{
    if (g_main == this)
        g_main = nullptr;
}

TMain *TMain::instance()
{
    return g_main;
}
