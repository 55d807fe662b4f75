#include "widgets/NameListEditor.h"

#include "widgets/Prompt.h"
#include "widgets/TitleBand.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace nqb;

namespace {

void setNameIfAny(QObject *o, const QString &name)
{
    if (!name.isEmpty())
        o->setObjectName(name);
}

QPushButton *makeButton(const QString &caption, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    setNameIfAny(b, name);
    // Enter belongs to the name fields, never to a button the focus left behind.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

void showResult(QWidget *parent, const NameListResult &r)
{
    if (r.ok())
        return;
    if (r.status == Status::DbError || r.status == Status::NotFound)
        prompt::error(parent, r.message);
    else if (r.tone == MessageTone::Information)
        prompt::info(parent, r.message);
    else
        prompt::warn(parent, r.message);
}

} // namespace

NameListEditor::NameListEditor(const NameListDescription &description, QWidget *parent)
    : QDialog(parent)
    , m_list(description)
{
    setNameIfAny(this, description.controls.editor);
    setWindowTitle(description.texts.windowTitle);
    buildUi();
    refresh();
}

void NameListEditor::buildUi()
{
    const NameListDescription &d = m_list.description();
    auto *root = new QVBoxLayout(this);
    if (!d.texts.header.isEmpty())
        root->addWidget(makeTitleBand(d.texts.header, this));

    const bool withId = !d.texts.idTitle.isEmpty();
    m_grid = new QTableWidget(0, withId ? 2 : 1, this);
    setNameIfAny(m_grid, d.controls.grid);
    m_grid->setHorizontalHeaderLabels(withId ? QStringList{d.texts.idTitle, d.texts.nameTitle}
                                             : QStringList{d.texts.nameTitle});
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setWordWrap(false);
    auto *deleteAction = new QAction(d.texts.deleteMenuCaption, m_grid);
    deleteAction->setObjectName(QStringLiteral("Delete_act"));
    deleteAction->setShortcut(QKeySequence::Delete);
    deleteAction->setShortcutContext(Qt::WidgetShortcut);
    m_grid->addAction(deleteAction);
    m_grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    root->addWidget(m_grid, 1);

    auto *nameRow = new QHBoxLayout;
    if (!d.texts.nameLabel.isEmpty())
        nameRow->addWidget(new QLabel(d.texts.nameLabel, this));
    m_nameEdit = new QLineEdit(this);
    setNameIfAny(m_nameEdit, d.controls.nameEdit);
    nameRow->addWidget(m_nameEdit, 1);
    root->addLayout(nameRow);

    auto *buttons = new QHBoxLayout;
    m_addButton = makeButton(d.texts.addCaption, d.controls.addButton, this);
    m_renameButton = makeButton(d.texts.renameCaption, d.controls.renameButton, this);
    m_deleteButton = makeButton(d.texts.deleteCaption, d.controls.deleteButton, this);
    m_closeButton = makeButton(d.texts.closeCaption, d.controls.closeButton, this);
    buttons->addWidget(m_addButton);
    buttons->addWidget(m_renameButton);
    buttons->addWidget(m_deleteButton);
    buttons->addStretch();
    buttons->addWidget(m_closeButton);
    root->addLayout(buttons);

    setTabOrder(m_nameEdit, m_addButton);
    setTabOrder(m_addButton, m_renameButton);
    setTabOrder(m_renameButton, m_deleteButton);
    setTabOrder(m_deleteButton, m_closeButton);
    setTabOrder(m_closeButton, m_grid);

    connect(m_nameEdit, &QLineEdit::returnPressed, this, &NameListEditor::addName);
    connect(m_addButton, &QPushButton::clicked, this, &NameListEditor::addName);
    connect(m_renameButton, &QPushButton::clicked, this, &NameListEditor::renameCurrent);
    connect(m_deleteButton, &QPushButton::clicked, this, &NameListEditor::deleteCurrent);
    connect(deleteAction, &QAction::triggered, this, &NameListEditor::deleteCurrent);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this] { renameCurrent(); });
    resize(420, 460);
}

void NameListEditor::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        m_nameEdit->setFocus();
}

bool NameListEditor::run(QWidget *parent, const NameListDescription &description)
{
    NameListEditor editor(description, parent);
    editor.exec();
    return editor.wasChanged();
}

std::optional<NameListEntry> NameListEditor::currentEntry() const
{
    const int row = m_grid->currentRow();
    if (row < 0 || row >= m_entries.size())
        return std::nullopt;
    return m_entries.at(row);
}

void NameListEditor::refresh()
{
    const auto current = currentEntry();
    QList<NameListEntry> list;
    const Result r = m_list.entries(list);
    if (!r.ok())
        prompt::error(this, r.message);
    m_entries = list;
    const bool withId = m_grid->columnCount() == 2;
    m_grid->setRowCount(int(m_entries.size()));
    for (int i = 0; i < m_entries.size(); ++i) {
        const NameListEntry &e = m_entries.at(i);
        int c = 0;
        if (withId)
            m_grid->setItem(i, c++, new QTableWidgetItem(e.id));
        m_grid->setItem(i, c, new QTableWidgetItem(e.stored));
    }
    if (current)
        selectEntry(current->id);
}

void NameListEditor::selectEntry(const QString &id)
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).id == id) {
            m_grid->setCurrentCell(i, 0);
            return;
        }
    }
}

void NameListEditor::changedNow()
{
    m_changed = true;
    emit listChanged();
}

void NameListEditor::report(const NameListResult &r)
{
    showResult(this, r);
}

void NameListEditor::addName()
{
    NameListEntry added;
    const NameListResult r = m_list.add(m_nameEdit->text(), &added);
    if (r.ok()) {
        m_nameEdit->clear();
        refresh();
        selectEntry(added.id);
        changedNow();
    } else {
        report(r);
        if (m_list.description().clearRefusedName)
            m_nameEdit->clear();
        refresh();
    }
    m_nameEdit->setFocus();
}

void NameListEditor::renameCurrent()
{
    const auto entry = currentEntry();
    if (!entry)
        return;
    const auto renamed = NameRenameDialog::run(this, m_list, *entry);
    refresh();
    if (renamed && *renamed != entry->name)
        changedNow();
}

void NameListEditor::deleteCurrent()
{
    const auto entry = currentEntry();
    if (!entry)
        return;
    const QString &question = m_list.description().confirmDelete;
    if (!question.isEmpty() && !prompt::ask(this, question))
        return;
    const NameListResult r = m_list.remove(*entry);
    report(r);
    refresh();
    if (r.ok())
        changedNow();
}

// ---------------------------------------------------------------------------

NameRenameDialog::NameRenameDialog(NameList &list, const NameListEntry &entry, QWidget *parent)
    : QDialog(parent)
    , m_list(list)
    , m_entry(entry)
{
    const NameListDescription &d = list.description();
    setNameIfAny(this, d.controls.renameDialog);
    setWindowTitle(d.texts.renameWindowTitle);

    auto *root = new QVBoxLayout(this);
    auto *oldRow = new QHBoxLayout;
    if (!d.texts.oldNameLabel.isEmpty())
        oldRow->addWidget(new QLabel(d.texts.oldNameLabel, this));
    if (d.controls.oldNameAsLabel) {
        auto *old = new QLabel(entry.name, this);
        setNameIfAny(old, d.controls.oldName);
        oldRow->addWidget(old, 1);
    } else {
        auto *old = new QLineEdit(entry.name, this);
        setNameIfAny(old, d.controls.oldName);
        old->setEnabled(false);
        oldRow->addWidget(old, 1);
    }
    root->addLayout(oldRow);

    auto *newRow = new QHBoxLayout;
    if (!d.texts.newNameLabel.isEmpty())
        newRow->addWidget(new QLabel(d.texts.newNameLabel, this));
    m_newName = new QLineEdit(this);
    setNameIfAny(m_newName, d.controls.newName);
    newRow->addWidget(m_newName, 1);
    root->addLayout(newRow);

    auto *buttons = new QHBoxLayout;
    auto *ok = makeButton(QStringLiteral("确  定"), QStringLiteral("Accept_btn"), this);
    auto *cancel = makeButton(QStringLiteral("取  消"), QStringLiteral("Cancel_btn"), this);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    root->addLayout(buttons);
    setTabOrder(m_newName, ok);
    setTabOrder(ok, cancel);

    connect(m_newName, &QLineEdit::returnPressed, this, &NameRenameDialog::confirm);
    connect(ok, &QPushButton::clicked, this, &NameRenameDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_newName->setFocus();
}

std::optional<QString> NameRenameDialog::run(QWidget *parent, NameList &list, const NameListEntry &entry)
{
    NameRenameDialog dlg(list, entry, parent);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.storedName();
}

void NameRenameDialog::confirm()
{
    const NameListResult r = m_list.rename(m_entry, m_newName->text());
    if (!r.ok()) {
        showResult(this, r);
        m_newName->setFocus();
        return;
    }
    m_stored = m_newName->text().trimmed();
    accept();
}
