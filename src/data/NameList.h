#pragma once
// A list of names kept in one table (food sub-groups, dish categories, diet
// kinds): listing, adding, renaming and deleting with their refusals, all
// described by data.
//
// The table and columns of a description are checked against the schema
// (findTable) before any statement runs; every value is bound. A rename writes
// the list row and the rows that follow it in one write scope.
#include "data/Db.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>

namespace nqb {

// How a message is shown: a warning box ("警告") or a notice ("提示信息").
enum class MessageTone { Warning, Information };

struct NameListMessage {
    QString text;
    MessageTone tone = MessageTone::Warning;
};

// A column of another table that refers to the entries of the list.
struct NameListReference {
    enum class Key { Name, Id };
    QString table;
    QString column;
    Key key = Key::Name; // the column holds the entry's name or its identifier
    // Empty: the column equals the key. Otherwise the column begins with
    // prefix.arg(key) (food codes "22-3-…" of sub-group 3: "22-%1-").
    QString prefix;
    // A rename rewrites the column (only for Key::Name without prefix).
    bool followsRename = false;
    // A row that refers to an entry keeps the entry from being deleted.
    bool blocksDelete = true;
};

// Texts of the editor windows (a caption left empty is not shown).
struct NameListTexts {
    QString windowTitle;               // "编辑"
    QString header;                    // title band, e.g. "食  物  类  别"
    QString idTitle;                   // grid title of the identifier column; empty hides the column
    QString nameTitle;                 // grid title of the name column
    QString nameLabel;                 // "类别名称："
    QString addCaption = QStringLiteral(" 增  加");
    QString renameCaption = QStringLiteral(" 修  改");
    QString deleteCaption = QStringLiteral(" 删  除");
    QString closeCaption = QStringLiteral(" 关  闭");
    QString deleteMenuCaption = QStringLiteral("删除(&Del)");
    QString renameWindowTitle = QStringLiteral("修改");
    QString oldNameLabel;              // "原类别名："
    QString newNameLabel = QStringLiteral("修改为：");
};

// objectNames of the editor's controls.
struct NameListControls {
    QString editor;                    // the editor dialog, e.g. "TFoodKindEdit"
    QString grid = QStringLiteral("DBGridEh1");
    QString nameEdit = QStringLiteral("KindName_edt");
    QString addButton = QStringLiteral("Add_btn");
    QString renameButton = QStringLiteral("Edit_btn");
    QString deleteButton = QStringLiteral("Del_btn");
    QString closeButton = QStringLiteral("Close_btn");
    QString renameDialog;              // e.g. "TFoodKindEditSub"
    QString oldName = QStringLiteral("OldName_edt");
    QString newName = QStringLiteral("NewName_edt");
    bool oldNameAsLabel = false;       // the old name in a label rather than a disabled edit
};

// One entry of the list.
struct NameListEntry {
    QString id;     // identifier column (trimmed); the name itself when the list has none
    QString name;   // the name (for lists stored with their id: the part after the first "-")
    QString stored; // the name column's text as stored (trimmed)
    bool operator==(const NameListEntry &) const = default;
};

// The identifiers in use (trimmed, in list order) → the new one. Empty
// without an error means every identifier is taken (the limit is reached).
using NameListIdGenerator = std::function<QString(const QStringList &usedIds, QString *error)>;

struct NameListDescription {
    QString table;
    QString idColumn;   // empty: the names are their own identifiers
    QString nameColumn;
    // The list holds the rows where filterColumn = filterValue; a new row gets that value.
    QString filterColumn;
    QString filterValue;
    // The name column holds id + "-" + name ("3-饮料").
    bool storedWithId = false;
    // Names the list may not take although no row holds them (refused as duplicates).
    QStringList reservedNames;
    QList<NameListReference> references;
    NameListIdGenerator nextId; // required with an identifier column

    NameListMessage emptyName;        // add with an empty name
    NameListMessage duplicate;        // add with a name the list holds
    NameListMessage limitReached;     // no identifier left
    NameListMessage renameEmptyName;  // empty: emptyName
    NameListMessage renameDuplicate;  // empty: duplicate
    NameListMessage inUse;            // delete of an entry that is referred to
    QString confirmDelete;            // question before a delete; empty asks nothing
    // The editor empties its name field after a refused add too (not only after one that was stored).
    bool clearRefusedName = false;

    NameListTexts texts;
    NameListControls controls;
};

// A command's outcome with the tone its message is shown in.
struct NameListResult : Result {
    MessageTone tone = MessageTone::Warning;
};

class NameList
{
public:
    // connectionName empty: the program's connection (ACon) as it is at each command.
    explicit NameList(NameListDescription description, const QString &connectionName = {});

    const NameListDescription &description() const { return m_d; }
    // Ok when table and columns are those of the schema; otherwise the fault.
    const Result &validity() const { return m_valid; }

    // The entries in identifier order (table order for a list without identifiers).
    Result entries(QList<NameListEntry> &out) const;
    // Adds the trimmed name with a new identifier; *added receives the entry.
    NameListResult add(const QString &name, NameListEntry *added = nullptr);
    // Renames entry to the trimmed name; the following references change with it.
    NameListResult rename(const NameListEntry &entry, const QString &newName);
    // Deletes entry unless a blocking reference still refers to it.
    NameListResult remove(const NameListEntry &entry);
    // Whether a blocking reference refers to entry.
    Result inUse(const NameListEntry &entry, bool &used) const;

private:
    NameListResult refuse(Status status, const NameListMessage &m, const QString &fallback) const;
    // WHERE clause (with binds) selecting the row of entry.
    QString rowCondition(const NameListEntry &entry, QVariantList &binds) const;
    QString filterCondition(QVariantList &binds) const;

    QSqlDatabase database() const;

    NameListDescription m_d;
    QString m_connection;
    Result m_valid;
};

// The smallest positive number no identifier holds (identifiers read as
// numbers, others ignored), written with at least width digits ("03");
// empty when it is above max (max ≤ 0: no limit).
QString smallestFreeNumber(const QStringList &usedIds, int width = 1, int max = 0);

// Checks a description against the schema: the table and every column exist
// (references too), a list with identifiers has a generator.
Result validateDescription(const NameListDescription &d);

} // namespace nqb
