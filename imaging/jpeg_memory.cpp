#include "imaging/jpeg_memory.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

// No windows.h here: its boolean is not libjpeg's (the pages come from
// jpeg_pages.cpp).
#include "imaging/jpeg_pages.h"

#include <jpeglib.h>
#include <jerror.h>

namespace {

// Smaller blocks (row buffers, tables) come and go through malloc: its own
// free lists serve them without fresh pages.
const size_t kLargeBlock = 1024 * 1024;
// What a large block reserves at least (committing only what each use needs).
const size_t kReservedAtLeast = 128u * 1024 * 1024;
// Blocks kept at most: the coefficients of two workers' pictures (a block a
// component).
const size_t kKeptBlocks = 8;

// In front of every large block. Its size keeps the block's alignment.
struct alignas(16) BlockHeader {
    size_t reserved;   // what the block can ever hold, header included
    size_t committed;  // its resident part
};

struct Pool {
    std::mutex lock;
    int scopes = 0;
    std::vector<BlockHeader *> kept;
    size_t keptBytes = 0;
    size_t inUse = 0;      // committed bytes handed out now
    size_t mostInUse = 0;  // the most handed out at once since the run began
    size_t fresh = 0, reused = 0;
    std::atomic<size_t> asked{0};  // every block libjpeg asked this module for
    std::atomic<size_t> dcStores{0};
};

thread_local size_t t_inUse = 0;  // what this thread holds of Pool::inUse
thread_local int t_firstScanOnly = 0;

Pool &pool()
{
    static Pool p;
    return p;
}

// Takes the kept blocks the test picks out of the pool (its lock held), for
// releasing once the lock is let go.
template <typename Test> void dropKept(Pool &p, Test test, std::vector<BlockHeader *> &drop)
{
    for (size_t i = 0; i < p.kept.size();) {
        if (test(p.kept[i])) {
            drop.push_back(p.kept[i]);
            p.keptBytes -= p.kept[i]->committed;
            p.kept[i] = p.kept.back();
            p.kept.pop_back();
        } else {
            ++i;
        }
    }
}

void releaseAll(const std::vector<BlockHeader *> &blocks)
{
    for (BlockHeader *b : blocks)
        releasePages(b);
}

void *takeLarge(size_t size)
{
    if (size > (size_t)-1 / 4)  // the reservation below is twice the need
        return nullptr;
    const size_t need = pageRounded(sizeof(BlockHeader) + size);
    Pool &p = pool();
    std::vector<BlockHeader *> drop;
    BlockHeader *block = nullptr;
    {
        std::lock_guard<std::mutex> hold(p.lock);
        // The kept block whose resident pages come closest to the need,
        // whichever thread gave it back (a worker between two photos holds
        // nothing another worker's photo could use): the smallest that holds
        // it all, else the largest, which grows by the fewest fresh pages.
        size_t best = p.kept.size();
        for (size_t i = 0; i < p.kept.size(); ++i) {
            const BlockHeader *k = p.kept[i];
            if (k->reserved < need)
                continue;
            if (best == p.kept.size()) {
                best = i;
                continue;
            }
            const size_t held = p.kept[best]->committed;
            if (k->committed >= need ? held < need || k->committed < held : held < need && k->committed > held)
                best = i;
        }
        if (best < p.kept.size()) {
            block = p.kept[best];
            p.keptBytes -= block->committed;
            p.kept[best] = p.kept.back();
            p.kept.pop_back();
            ++p.reused;
        } else {
            // Too small for this picture, probably for its other components too.
            dropKept(p, [need](const BlockHeader *k) { return k->reserved < need; }, drop);
            ++p.fresh;
        }
        p.inUse += need;
        p.mostInUse = std::max(p.mostInUse, p.inUse);
    }
    t_inUse += need;
    releaseAll(drop);
    if (block) {
        // Only the pages this use needs stay resident.
        if (!recommitPages(block, block->committed, need)) {
            releasePages(block);
            block = nullptr;
        }
    } else {
        // Address space is plentiful: room for a larger photo later, its pages
        // committed only then.
        const size_t reserve = std::max(2 * need, kReservedAtLeast);
        block = (BlockHeader *)reservePages(reserve, need);
        if (block)
            block->reserved = pageRounded(reserve);
    }
    if (!block) {  // libjpeg reports it (out of memory)
        std::lock_guard<std::mutex> hold(p.lock);
        p.inUse -= need;
        t_inUse -= need;
        return nullptr;
    }
    block->committed = need;
    return block + 1;
}

void giveLarge(void *object)
{
    if (!object)
        return;
    BlockHeader *block = (BlockHeader *)object - 1;
    Pool &p = pool();
    bool keep = false;
    {
        std::lock_guard<std::mutex> hold(p.lock);
        p.inUse -= block->committed;
        t_inUse -= block->committed;
        // While another thread decodes, kept and handed-out blocks together
        // stay an eighth below what the run once needed at its busiest.
        // Without that bound a worker whose next photo is small would hold its
        // last one's blocks beside the other worker's; without the eighth, they
        // would sit beside the rest of its work (its output, its next file)
        // where a run without keeping has freed them: either way a peak such a
        // run never reaches.
        const bool othersDecode = p.inUse > t_inUse;
        keep = p.scopes > 0 && p.kept.size() < kKeptBlocks &&
               (!othersDecode || p.inUse + p.keptBytes + block->committed <= p.mostInUse - p.mostInUse / 8);
        if (keep) {
            p.kept.push_back(block);
            p.keptBytes += block->committed;
        }
    }
    if (!keep)
        releasePages(block);
}

}  // namespace

JpegMemoryReuse::JpegMemoryReuse()
{
    Pool &p = pool();
    std::lock_guard<std::mutex> hold(p.lock);
    if (p.scopes++ == 0)
        p.mostInUse = p.inUse;
}

JpegMemoryReuse::~JpegMemoryReuse()
{
    Pool &p = pool();
    std::vector<BlockHeader *> drop;
    {
        std::lock_guard<std::mutex> hold(p.lock);
        if (--p.scopes == 0)
            dropKept(p, [](const BlockHeader *) { return true; }, drop);
    }
    releaseAll(drop);
}

JpegMemoryCounts jpegMemoryCounts()
{
    Pool &p = pool();
    JpegMemoryCounts counts;
    std::lock_guard<std::mutex> hold(p.lock);
    counts.fresh = p.fresh;
    counts.reused = p.reused;
    counts.kept = p.kept.size();
    counts.keptBytes = p.keptBytes;
    counts.dcStores = p.dcStores;
    return counts;
}

bool jpegMemoryIsTheProgramsOwn()
{
    // A decoder object is the smallest thing libjpeg allocates for; making one
    // also makes the library a direct need of the program, loaded with it, so
    // that its calls for memory find the functions below first.
    const size_t before = pool().asked;
    jpeg_error_mgr errors;
    jpeg_decompress_struct decoder;
    decoder.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    return pool().asked != before;
}

JpegFirstScanOnly::JpegFirstScanOnly() { ++t_firstScanOnly; }
JpegFirstScanOnly::~JpegFirstScanOnly() { --t_firstScanOnly; }

// libjpeg's system-dependent memory manager (the interface of its jmemsys.h).
// Linked into the program, these take the place of the library's own malloc
// versions, in the static Windows build and in the shared library alike.
//
// The "backing store" is where libjpeg puts the rows of a coefficient array
// that do not fit in the memory jpeg_mem_available allows. Only a first-scan
// decode gets one: a DC term per block, the rest zero when read back.
struct backing_store_struct {
    void (*read_backing_store)(j_common_ptr, backing_store_struct *, void *buffer, long offset, long count);
    void (*write_backing_store)(j_common_ptr, backing_store_struct *, void *buffer, long offset, long count);
    void (*close_backing_store)(j_common_ptr, backing_store_struct *);
    FILE *temp_file;  // the module's own: here the DC store
    char temp_name[64];
};

namespace {

struct DcStore {
    size_t blocks;
    JCOEF *dc;
};

// libjpeg moves whole rows of blocks, so offsets and counts are in blocks.
bool dcStoreRange(j_common_ptr cinfo, backing_store_struct *info, long offset, long count, DcStore **store,
                  size_t *first, size_t *n)
{
    *store = (DcStore *)info->temp_file;
    *first = (size_t)offset / sizeof(JBLOCK);
    *n = (size_t)count / sizeof(JBLOCK);
    if (offset < 0 || count < 0 || offset % sizeof(JBLOCK) || count % sizeof(JBLOCK) ||
        *first > (*store)->blocks || *n > (*store)->blocks - *first) {
        ERREXIT(cinfo, JERR_BAD_ALLOC_CHUNK);
        return false;
    }
    return true;
}

void readDcStore(j_common_ptr cinfo, backing_store_struct *info, void *buffer, long offset, long count)
{
    DcStore *store;
    size_t first, n;
    if (!dcStoreRange(cinfo, info, offset, count, &store, &first, &n))
        return;
    JBLOCK *blocks = (JBLOCK *)buffer;
    memset(buffer, 0, (size_t)count);
    for (size_t i = 0; i < n; ++i)
        blocks[i][0] = store->dc[first + i];
}

void writeDcStore(j_common_ptr cinfo, backing_store_struct *info, void *buffer, long offset, long count)
{
    DcStore *store;
    size_t first, n;
    if (!dcStoreRange(cinfo, info, offset, count, &store, &first, &n))
        return;
    const JBLOCK *blocks = (const JBLOCK *)buffer;
    for (size_t i = 0; i < n; ++i)
        store->dc[first + i] = blocks[i][0];
}

void closeDcStore(j_common_ptr, backing_store_struct *info)
{
    DcStore *store = (DcStore *)info->temp_file;
    if (store)
        free(store->dc);
    free(store);
    info->temp_file = nullptr;
}

}  // namespace

extern "C" {

void *jpeg_get_small(j_common_ptr, size_t size)
{
    ++pool().asked;
    return malloc(size);
}

void jpeg_free_small(j_common_ptr, void *object, size_t) { free(object); }

void *jpeg_get_large(j_common_ptr, size_t size)
{
    // libjpeg gives the same size back when it frees a block, so the size
    // alone tells a block with a header from a plain one.
    ++pool().asked;
    return size >= kLargeBlock ? takeLarge(size) : malloc(size);
}

void jpeg_free_large(j_common_ptr, void *object, size_t size)
{
    if (size >= kLargeBlock)
        giveLarge(object);
    else
        free(object);
}

size_t jpeg_mem_available(j_common_ptr cinfo, size_t leastBytesNeeded, size_t maxBytesNeeded,
                          size_t alreadyAllocated)
{
    // A first scan's coefficients: two access heights of rows in memory, the
    // rest as DC terms in the backing store.
    if (t_firstScanOnly && cinfo->is_decompressor)
        return 2 * leastBytesNeeded;
    const long limit = cinfo->mem->max_memory_to_use;
    if (!limit)
        return maxBytesNeeded;
    return (size_t)limit > alreadyAllocated ? (size_t)limit - alreadyAllocated : 0;
}

// No temporary files: apart from a first scan's DC store, a picture whose
// coefficients do not fit in memory fails as with libjpeg's own module.
void jpeg_open_backing_store(j_common_ptr cinfo, backing_store_struct *info, long totalBytesNeeded)
{
    if (!t_firstScanOnly || !cinfo->is_decompressor || totalBytesNeeded < 0)
        ERREXIT(cinfo, JERR_NO_BACKING_STORE);
    const size_t blocks = (size_t)totalBytesNeeded / sizeof(JBLOCK);
    DcStore *store = (DcStore *)malloc(sizeof(DcStore));
    JCOEF *dc = (JCOEF *)malloc((blocks ? blocks : 1) * sizeof(JCOEF));
    if (!store || !dc) {
        free(store);
        free(dc);
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 12);
    }
    store->blocks = blocks;
    store->dc = dc;
    info->temp_file = (FILE *)store;
    info->read_backing_store = readDcStore;
    info->write_backing_store = writeDcStore;
    info->close_backing_store = closeDcStore;
    ++pool().dcStores;
}

long jpeg_mem_init(j_common_ptr) { return 0; }

void jpeg_mem_term(j_common_ptr) {}

}  // extern "C"
