#pragma once

#include "analysis/LogAnalysis.h"
#include "view/TreeModel.h"

#include <QString>

#include <array>

// The five orders of the results tree; each has a sort button of its own.
enum class SortOrder : quint8 { NoSort = 0, ByDate = 1, ByName = 2, ByURL = 3, ByLocal = 4 };

// The buttons in the order a rebuild enables them.
inline constexpr std::array<SortOrder, 5> SortButtonOrder = {
    SortOrder::ByDate, SortOrder::ByLocal, SortOrder::ByName, SortOrder::ByURL, SortOrder::NoSort};

// Indexes into the tree's image list (1-based; 4 is never used).
namespace TreeImage {
inline constexpr qint32 Resumes = 1;
inline constexpr qint32 Url = 2;
inline constexpr qint32 Calendar = 3;
inline constexpr qint32 Entry = 5;
inline constexpr qint32 Folder = 6;
inline constexpr qint32 Restarts = 7;
inline constexpr qint32 Bytes = 8;
inline constexpr qint32 Mirrors = 9;
inline constexpr qint32 Finished = 10;
} // namespace TreeImage

// The window around the tree as a rebuild drives it. Each call is to be applied at once,
// in the order it comes; the defaults do nothing, for tools without a window.
class PopulateHost {
public:
    virtual ~PopulateHost() = default;
    virtual void SetTreeVisible(bool /*visible*/) {}
    // The one pass of the message loop, after the tree is hidden. A click handled here may
    // run a whole rebuild of its own; the outer rebuild then starts afresh.
    virtual void DoEvents() {}
    // Whether a load started during that pass. It brings its own tree (or none, when it
    // failed), so this rebuild leaves everything to it.
    virtual bool Superseded() const { return false; }
    // Brackets the change of the tree's nodes, for an item model's reset.
    virtual void TreeClearing() {}
    virtual void TreeRebuilt() {}
    virtual void SetProgressVisible(bool /*visible*/) {}
    virtual void SetProgressCaption(const QString& /*caption*/) {}
    virtual void SetProgressMin(qint32 /*value*/) {}
    virtual void SetProgressMax(qint32 /*value*/) {}
    virtual void SetProgressValue(qint32 /*value*/) {}
    virtual void SetSortButtonEnabled(SortOrder /*button*/, bool /*enabled*/) {}
};

// Empties the tree and fills it from analysis.Entries() in sortMode, then enables every sort
// button but sortMode's and selects node 1. sortMode is read after the message-loop pass,
// where a click may have changed it; a load there supersedes the rebuild, which then ends.
// Errors of the grouped builds pass through.
void PopulateTree(TreeModel& tree, const SortOrder& sortMode, LogAnalysis& analysis,
                  PopulateHost& host);

// A build of more records than this puts each record's nodes together on a thread of its
// own while the tree takes the records put together before. Either way makes the same tree
// with the same calls to the host, up to a failure; tests move the threshold to put small
// builds through the thread, or keep them off it.
inline constexpr qint32 DefaultBuildHelperThreshold = 256;
void SetBuildHelperThreshold(qint32 records);

// The four builds. analysis.CurLine() holds the position of the record being added.
// PopulateFlat ends quietly at any failure, keeping the nodes already added, and then
// returns false.
bool PopulateFlat(TreeModel& tree, SortOrder sortMode, LogAnalysis& analysis, PopulateHost& host);
void PopulateByDate(TreeModel& tree, LogAnalysis& analysis, PopulateHost& host);
void PopulateByURL(TreeModel& tree, LogAnalysis& analysis, PopulateHost& host);
void PopulateByLocal(TreeModel& tree, LogAnalysis& analysis, PopulateHost& host);

// A sort button's click: nothing when its mode is already shown; otherwise the mode
// changes and the tree is rebuilt. Returns whether it rebuilt.
bool SortButtonClick(SortOrder button, SortOrder& sortMode, TreeModel& tree, LogAnalysis& analysis,
                     PopulateHost& host);
