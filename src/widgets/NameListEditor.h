#pragma once
// NameListEditor: a window over a list of names (food sub-groups, dish
// categories, diet kinds) with add, rename and delete, described entirely by a
// nqb::NameListDescription (table, columns, references, texts, messages and
// control names). The checks and writes are nqb::NameList's; this window
// reads its controls, calls them and reports through Prompt.
//
// NameRenameDialog is its rename window: it shows the old name, takes the new
// one (Enter confirms), stores it and closes; a refused name keeps it open.
#include "data/NameList.h"

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class NameListEditor : public QDialog
{
    Q_OBJECT
public:
    explicit NameListEditor(const nqb::NameListDescription &description, QWidget *parent = nullptr);

    // Opens the editor modally; true when the list was changed (the caller refills its lists).
    static bool run(QWidget *parent, const nqb::NameListDescription &description);

    nqb::NameList &nameList() { return m_list; }
    // Whether anything was added, renamed or deleted since the window opened.
    bool wasChanged() const { return m_changed; }

    // The entry of the grid's current row, if any.
    std::optional<nqb::NameListEntry> currentEntry() const;
    // The entries as the grid shows them.
    const QList<nqb::NameListEntry> &entries() const { return m_entries; }

    QTableWidget *grid() const { return m_grid; }
    QLineEdit *nameEdit() const { return m_nameEdit; }
    QPushButton *addButton() const { return m_addButton; }
    QPushButton *renameButton() const { return m_renameButton; }
    QPushButton *deleteButton() const { return m_deleteButton; }
    QPushButton *closeButton() const { return m_closeButton; }

public slots:
    // Reopens the list, keeping the current entry where it still exists.
    void refresh();
    void addName();
    void renameCurrent();
    void deleteCurrent();

signals:
    // After every stored add, rename or delete.
    void listChanged();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    void report(const nqb::NameListResult &r);
    void selectEntry(const QString &id);
    void changedNow();

    nqb::NameList m_list;
    QList<nqb::NameListEntry> m_entries;
    bool m_changed = false;
    QTableWidget *m_grid = nullptr;
    QLineEdit *m_nameEdit = nullptr;
    QPushButton *m_addButton = nullptr;
    QPushButton *m_renameButton = nullptr;
    QPushButton *m_deleteButton = nullptr;
    QPushButton *m_closeButton = nullptr;
};

class NameRenameDialog : public QDialog
{
    Q_OBJECT
public:
    NameRenameDialog(nqb::NameList &list, const nqb::NameListEntry &entry, QWidget *parent = nullptr);

    // Opens the dialog modally; the new name when it was stored, nothing when cancelled.
    static std::optional<QString> run(QWidget *parent, nqb::NameList &list, const nqb::NameListEntry &entry);

    QLineEdit *newNameEdit() const { return m_newName; }
    const QString &storedName() const { return m_stored; }

public slots:
    // Checks and stores the new name; closes on success.
    void confirm();

private:
    nqb::NameList &m_list;
    nqb::NameListEntry m_entry;
    QLineEdit *m_newName = nullptr;
    QString m_stored;
};
