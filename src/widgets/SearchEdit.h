#pragma once
// SearchEdit: the search box of the food and dish choosers.
//
// Letters become capitals as they are typed or pasted (pinyin initials are
// capitals in the data). The box can show a prompt ("首字母/汉字"): the prompt is
// the box's real text, shown in grey, and a click into the box (or reaching
// it with Tab, or starting to type) clears it; searchText() is empty while it
// shows. Enter emits searchRequested(searchText()) and does not reach the
// dialog's default button.
#include <QLineEdit>

class SearchEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit SearchEdit(QWidget *parent = nullptr);
    explicit SearchEdit(const QString &prompt, QWidget *parent = nullptr);

    // Sets the prompt and shows it.
    void setPrompt(const QString &prompt);
    QString prompt() const { return m_prompt; }
    // Puts the prompt back (after a tree click, for example).
    void showPrompt();
    bool isShowingPrompt() const;

    // The trimmed search text; empty while the prompt shows.
    QString searchText() const;

    // When on, every click empties the box, not only a click on the prompt.
    void setClearOnClick(bool on) { m_clearOnClick = on; }

signals:
    void searchRequested(const QString &text);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void toCapitals(const QString &text);
    void updateLook();

    QString m_prompt;
    bool m_clearOnClick = false;
};
