#pragma once
// The nutrient-effects page: "web/w.htm" beside the program, shown in a
// browser with working links (anchors within the page, other pages of the
// folder; outside addresses open in the system's browser).
#include <QDialog>

class QTextBrowser;

class TWeb : public QDialog
{
    Q_OBJECT
public:
    explicit TWeb(QWidget *parent = nullptr);
    ~TWeb() override;

    static void run(QWidget *parent);

    // The page's path in the program's folder.
    static QString pagePath();

    QTextBrowser *browser() const { return WebBrowser1; }

private:
    QTextBrowser *WebBrowser1 = nullptr;
};
