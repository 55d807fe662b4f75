#pragma once
// Small database helpers shared by the planning units: reading and writing
// the nutrient blocks of one row, and summing blocks.
// Every statement binds its values; table and column names come only from the
// fixed lists of the schema and the nutrient blocks.
#include "data/Db.h"
#include "data/NumberFormat.h"
#include "data/NutrientBlocks.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <array>

class QSqlQuery;
class QSqlRecord;

namespace nqb::plandb {

using CompositionValues = std::array<double, kCompositionCount>;
using RequirementValues = std::array<double, kRequirementCount>;

// The composition block of a record (NULL and empty text count as 0).
CompositionValues compositionOf(const QSqlRecord &record);
// The requirement block of a record (NULL and empty text count as 0).
RequirementValues requirementOf(const QSqlRecord &record);
// The same from the current row of a QSqlQuery or an sql::Read, whose columns
// from first on are the block's columns in block order.
template <class Row>
CompositionValues compositionOf(const Row &row, int first)
{
    CompositionValues v{};
    for (int i = 0; i < kCompositionCount; ++i)
        v[i] = toNumber(row.value(first + i));
    return v;
}
template <class Row>
RequirementValues requirementOf(const Row &row, int first)
{
    RequirementValues v{};
    for (int i = 0; i < kRequirementCount; ++i)
        v[i] = toNumber(row.value(first + i));
    return v;
}

// "WATER=?, ENERC_kcal=?, ..." for an UPDATE of the given columns.
QString assignments(const QStringList &columns);

// The requirement values of a composition block (each requirement column
// takes the composition column of the same name).
RequirementValues requirementValuesOf(const CompositionValues &composition);

// Reads the first row (in table order) of DRIs_tmp with the given REMARK.
// A missing row gives zeros and *found = false.
bool readRequirementRow(const QString &table, const QString &remark, RequirementValues *values, bool *found,
                        QString *error);
// Overwrites the requirement block of the first row (in table order) of table
// ("DRIs_tmp" or "WeekStats_tmp") whose REMARK is remark. A missing row is an
// error naming the row.
bool writeRequirementRow(const QString &table, const QString &remark, const RequirementValues &values,
                         QString *error);

} // namespace nqb::plandb
