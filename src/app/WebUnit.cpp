#include "app/WebUnit.h"

#include "data/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

TWeb::TWeb(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Web"));
    setWindowTitle(QStringLiteral("Web"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    WebBrowser1 = new QTextBrowser(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setOpenExternalLinks(true);
    layout->addWidget(WebBrowser1);

    auto *buttons = new QHBoxLayout;
    auto *back = new QPushButton(QStringLiteral("后  退"), this);
    back->setObjectName(QStringLiteral("Back_btn"));
    back->setAutoDefault(false);
    back->setEnabled(false);
    auto *home = new QPushButton(QStringLiteral("目  录"), this);
    home->setObjectName(QStringLiteral("Home_btn"));
    home->setAutoDefault(false);
    auto *close = new QPushButton(QStringLiteral("关    闭"), this);
    close->setObjectName(QStringLiteral("Close_btn"));
    close->setAutoDefault(false);
    buttons->addWidget(back);
    buttons->addWidget(home);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(back, &QPushButton::clicked, WebBrowser1, &QTextBrowser::backward);
    connect(home, &QPushButton::clicked, WebBrowser1, &QTextBrowser::home);
    connect(WebBrowser1, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    const QString path = pagePath();
    if (QFileInfo::exists(path)) {
        WebBrowser1->setSource(QUrl::fromLocalFile(path));
    } else {
        WebBrowser1->setHtml(tr("<h3>找不到网页</h3><p>文件 %1 不存在。</p>")
                                 .arg(QDir::toNativeSeparators(path).toHtmlEscaped()));
    }
    resize(900, 680);
}

TWeb::~TWeb() = default;

void TWeb::run(QWidget *parent)
{
    TWeb w(parent);
    w.exec();
}

QString TWeb::pagePath()
{
    return nqb::programFile(QStringLiteral("web/w.htm"));
}
