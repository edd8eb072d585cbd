// The ordered list of pictures of the next batch run, and the set of their
// paths that keeps a picture from being listed twice. Pure data: no window.
//
// Threads: the window thread is the only one that changes the list (add,
// remove, clear, rotation, flip, thumbDone, imageIndex) and it does so under the
// list's lock. The thumbnail worker only reads, always under the lock, and
// copies what it needs (ThumbnailJob) before it lets go, so a list that grows
// (and reallocates) or shrinks under a running pass is never seen half-changed.
#pragma once
#include <windows.h>
#include <string>
#include <unordered_set>
#include <vector>

struct ImageItem {
    char name[MAX_PATH];       // text after the path's last backslash
    char path[MAX_PATH];       // full path, GBK
    char relFolder[MAX_PATH];  // empty for pictures added as files
    int seq;                   // insertion number; restarts at 0 when the list is emptied
    int imageIndex;            // slot in the thumbnail image store, -1 when none
    int rotation;              // 0, 90, 180 or 270 degrees clockwise
    int thumbDone;             // 1 once the thumbnail is rendered (or its failure reported)
    int flip;                  // 0 none, 1 set by flip horizontally, 2 by flip vertically

    // Beyond the record above: a number never reused in the process, so that a
    // finished thumbnail finds its item again (or learns that it is gone), and a
    // counter bumped whenever the item's thumbnail becomes stale, so that a
    // thumbnail rendered from old rotation/flip values is thrown away.
    unsigned id;
    unsigned generation;
};

// What the worker copies out of an item before rendering it.
struct ThumbnailJob {
    int index;
    unsigned id;
    unsigned generation;
    int rotation;
    int flip;
    char path[MAX_PATH];
};

// Commands of the toolbar, as changes of an item's (rotation, flip) pair.
enum class TurnCommand { RotateLeft, RotateRight, FlipHorizontal, FlipVertical };
void applyTurn(TurnCommand command, int *rotation, int *flip);

// GetFullPathName (relative parts, "." and ".."), GetLongPathName (8.3 names)
// and the real spelling of existing names. Empty when the path is unusable
// (empty, or 260 bytes or longer once made full).
std::string normalisedPicturePath(const std::string &path);
// The duplicate key of a normalised path: upper-cased as Windows compares names
// (through UTF-16, so GBK trail bytes are never folded as if they were ASCII).
std::string picturePathKey(const std::string &normalisedPath);

class ImageList {
public:
    ImageList();
    ~ImageList();
    ImageList(const ImageList &) = delete;
    ImageList &operator=(const ImageList &) = delete;

    // The lock. The window thread needs it only around changes; the worker
    // around every read (see ScopedLock and the job helpers below).
    void lock() const { EnterCriticalSection(&cs_); }
    void unlock() const { LeaveCriticalSection(&cs_); }
    struct ScopedLock {
        explicit ScopedLock(const ImageList &l) : list(l) { list.lock(); }
        ~ScopedLock() { list.unlock(); }
        const ImageList &list;
    };

    // Window thread --------------------------------------------------------
    bool containsPath(const std::string &path) const;
    // The next sequence number add would give.
    int nextSeq() const { return nextSeq_; }
    // Appends an item for a path (made full) with the next sequence number.
    // Null when the path is already listed or unusable.
    ImageItem *append(const std::string &path, const std::string &relFolder);
    void removeAt(int index);
    void clear();  // frees every item, empties the path set, restarts seq at 0

    int count() const { return (int)items_.size(); }
    ImageItem *at(int index) const;
    int indexOfId(unsigned id) const;

    // Marks the item's thumbnail as due (rotation/flip changed, or thumbnails
    // switched on again); a rendering in flight for the old state is discarded.
    void markStale(int index);
    // Changes rotation/flip of one item under the lock and marks it stale.
    void turn(int index, TurnCommand command);
    // Accepts a finished thumbnail: true (and thumbDone set) when the item still
    // exists in the state the job was copied from.
    bool acceptThumbnail(unsigned id, unsigned generation, int *indexOut);

    // Worker ------------------------------------------------------------
    // Copies the first item at or after `from` whose thumbnail is due.
    bool nextDueJob(int from, ThumbnailJob *job) const;
    int lockedCount() const;

    // Consistency of items, order, sequence numbers and path set (tests).
    bool selfCheck(std::string *why) const;

private:
    mutable CRITICAL_SECTION cs_;
    std::vector<ImageItem *> items_;
    std::unordered_set<std::string> keys_;  // picturePathKey of every listed path
    int nextSeq_;
    unsigned nextId_;
};
