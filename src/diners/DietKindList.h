#pragma once
// The special diet kinds (DRIsIllKind_tb.MEALKIND) as a name list: a kind is
// in use while an amendment row names it, and a rename carries the new name
// into the amendments (DRIsIll_tb.MEALKIND) in the same write. "正常膳食" is
// the built-in kind and cannot be stored.
#include "data/NameList.h"

namespace nqb {

NameListDescription dietKindList();

} // namespace nqb
