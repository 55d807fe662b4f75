#pragma once
// The two category lists of the food rooms as name lists: the sub-groups of
// the users' own food group 22 (FoodKindSub_tb) and the dish categories
// (CateKind_tb), with their refusals and the texts of their editor windows.
#include "data/NameList.h"

namespace nqb {

// The food group whose sub-groups users keep ("22").
QString customFoodGroup();

// Sub-groups of group 22: "n-name" in FoodGroupSub with SubID n (1 to 9, the
// smallest free one for a new sub-group). A sub-group is in use while a raw
// food code begins with "22-n-"; a rename leaves the foods alone (they follow
// the number).
NameListDescription foodSubGroupList();

// Dish categories: KINDID (NextKindID) and KINDNAME. A category is in use
// while a dish names it; a rename carries the new name into the dishes'
// CateNutri_tb.KINDNAME in the same write.
NameListDescription dishCategoryList();

} // namespace nqb
