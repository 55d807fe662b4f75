#pragma once
// The diet kinds window and its rename dialog: the name-list editor over the
// special diet kinds (nqb::dietKindList()). The editor's objectName is
// "TDRIsAmendEditKind", its rename dialog's "TDRIsAmendEditKindSub"; a rename
// carries the new name into the kind's amendments in the same write.
#include <QWidget>

class TDRIsAmendEditKind
{
public:
    // Opens the kinds window modally; true when a kind was added, renamed or deleted.
    static bool run(QWidget *parent);
};
