// The pictures of one run processed side by side. The loop's own thread decides
// in list order what each item needs (its name, its claim on a file), asks the
// stop flag, and hands the item to the next free worker; a worker only
// processes. Finished items come back to the loop's thread, which reports them
// in list order. An item is handed out only when a worker is free, so no picture
// starts after a stop was seen, and every picture handed out is finished.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <vector>

#include "core/batch_loops.h"
#include "imaging/jpeg_memory.h"

// What the loop's thread decides for one item before any worker sees it.
struct ItemStart {
    enum Kind { Work, Done, Stop } kind = Work;
    ItemOutcome outcome;  // Done: the item's result without processing (a skip, a name that failed)
};

// The hooks of one run over a list (every one but work and pictureStarting is
// called on the calling thread; any may be empty except work and report).
struct ListRunHooks {
    std::function<bool()> stopNow;              // asked before each item is handed out
    std::function<void(int shown)> progress;    // finished items plus one, each number once, in order
    std::function<void(int index)> pictureStarting;  // on the worker, 1-based
    std::function<ItemStart(size_t index)> prepare;  // names, claims: in list order
    std::function<ItemOutcome(size_t index)> work;   // on a worker
    // In list order. false ends the run at this item: nothing after it is
    // reported and nothing after it writes (see awaitListTurn).
    std::function<bool(size_t index, ItemOutcome &outcome)> report;
};

// Runs the items of a list on `workers` workers (0: one per processor): prepared
// and handed out in list order on this thread, processed side by side, reported
// in list order here. true when a stop ended the handing out.
bool runListOnWorkers(size_t total, int workers, const ListRunHooks &hooks);

// Called by a worker before its item's first write: waits until every earlier
// item of the list is finished and reported, so that names taken on disk, lines
// and notes follow the list whatever the number of workers. false when an earlier item ended the run
// (ItemOutcome::runError): this item must then write nothing (its outcome is not
// reported). true at once outside a run's worker.
bool awaitListTurn();

// Workers for a run: `requested` when above 0, else one per processor; at least
// 1, at most kMaxBatchWorkers.
const int kMaxBatchWorkers = 64;
int batchWorkerCount(int requested);

// The 1-based list index of the item the calling thread is processing, 0 when it
// processes none (for the command line's fault report).
int batchItemOnThisThread();

class ItemWorkers {
public:
    // work(index) runs on a worker thread (index 0-based); starting(index) runs on
    // it just before, with the 1-based index (may be empty).
    ItemWorkers(int workers, std::function<ItemOutcome(size_t index)> work,
                std::function<void(int index)> starting);
    // Waits for every item handed out, then ends the workers.
    ~ItemWorkers();
    ItemWorkers(const ItemWorkers &) = delete;
    ItemWorkers &operator=(const ItemWorkers &) = delete;

    // A worker could take an item now.
    bool hasFreeWorker();
    // Hands the item to a free worker (or, when no worker thread could be
    // started, processes it on the calling thread).
    void hand(size_t index);
    // Items handed out and not yet taken back.
    int inFlight();
    // Waits until a handed-out item is finished (returns at once when one is, or
    // when none is out).
    void waitForFinished();
    // The finished items, in the order they finished; emptied.
    std::vector<std::pair<size_t, ItemOutcome>> takeFinished();
    // See awaitListTurn (index 0-based).
    bool awaitTurn(size_t index);
    // The loop's thread reported every item before `count`.
    void reportedUpTo(size_t count);

private:
    static DWORD WINAPI threadMain(LPVOID self);
    void runOne(size_t index);
    void workerLoop();

    std::function<ItemOutcome(size_t)> work_;
    std::function<void(int)> starting_;
    JpegMemoryReuse jpegMemory_;  // a run's photos take turns with the same large blocks
    std::vector<HANDLE> threads_;
    CRITICAL_SECTION lock_;
    HANDLE taskReady_ = nullptr;  // semaphore: one count per queued index (or quit)
    HANDLE itemDone_ = nullptr;   // auto-reset: some item finished
    std::vector<size_t> queue_;
    std::vector<std::pair<size_t, ItemOutcome>> finished_;
    int busy_ = 0;  // queued or being processed
    size_t reported_ = 0;  // items reported by the loop's thread, from the first
    size_t endedAt_ = (size_t)-1;  // the first item that ended the run
    CONDITION_VARIABLE turn_;
    bool quitting_ = false;
};
