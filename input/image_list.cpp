#include "input/image_list.h"

#include <cstring>
#include <vector>

void applyTurn(TurnCommand command, int *rotation, int *flip)
{
    int r = *rotation, f = *flip;
    switch (command) {
    case TurnCommand::RotateLeft:
        r += f == 0 ? 270 : 90;
        break;
    case TurnCommand::RotateRight:
        r += f == 0 ? 90 : 270;
        break;
    case TurnCommand::FlipHorizontal:
        // Stored as half a turn plus a top-to-bottom mirror.
        f = f == 0 ? 1 : 0;
        r += 180;
        break;
    case TurnCommand::FlipVertical:
        f = f == 0 ? 2 : 0;
        break;
    }
    *rotation = ((r % 360) + 360) % 360;
    *flip = f;
}

std::string normalisedPicturePath(const std::string &path)
{
    if (path.empty())
        return std::string();
    char full[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (n == 0 || n >= MAX_PATH)
        return std::string();
    char longName[MAX_PATH * 2];
    DWORD m = GetLongPathNameA(full, longName, sizeof longName);
    if (m > 0 && m < MAX_PATH)
        return std::string(longName, m);
    return std::string(full, n);
}

std::string picturePathKey(const std::string &normalisedPath)
{
    int n = MultiByteToWideChar(936, 0, normalisedPath.data(), (int)normalisedPath.size(), nullptr, 0);
    if (n <= 0)
        return normalisedPath;
    std::vector<WCHAR> wide((size_t)n);
    MultiByteToWideChar(936, 0, normalisedPath.data(), (int)normalisedPath.size(), wide.data(), n);
    CharUpperBuffW(wide.data(), (DWORD)n);
    int len = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    std::string key((size_t)(len > 0 ? len : 0), '\0');
    if (len > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, &key[0], len, nullptr, nullptr);
    return key;
}

ImageList::ImageList() : nextSeq_(0), nextId_(1)
{
    InitializeCriticalSection(&cs_);
}

ImageList::~ImageList()
{
    clear();
    DeleteCriticalSection(&cs_);
}

static void copyText(char *to, const std::string &from)
{
    size_t n = from.size() < MAX_PATH - 1 ? from.size() : MAX_PATH - 1;
    memcpy(to, from.data(), n);
    to[n] = '\0';
}

bool ImageList::containsPath(const std::string &path) const
{
    std::string full = normalisedPicturePath(path);
    if (full.empty())
        return false;
    ScopedLock guard(*this);
    return keys_.count(picturePathKey(full)) != 0;
}

ImageItem *ImageList::append(const std::string &path, const std::string &relFolder)
{
    std::string full = normalisedPicturePath(path);
    if (full.empty())
        return nullptr;
    std::string key = picturePathKey(full);
    ImageItem *item = new ImageItem();
    memset(item, 0, sizeof *item);
    copyText(item->path, full);
    size_t slash = full.find_last_of('\\');
    copyText(item->name, slash == std::string::npos ? full : full.substr(slash + 1));
    copyText(item->relFolder, relFolder);
    item->imageIndex = -1;

    ScopedLock guard(*this);
    if (!keys_.insert(key).second) {
        delete item;
        return nullptr;
    }
    item->seq = nextSeq_++;
    item->id = nextId_++;
    items_.push_back(item);
    return item;
}

void ImageList::removeAt(int index)
{
    ImageItem *item;
    {
        ScopedLock guard(*this);
        if (index < 0 || index >= (int)items_.size())
            return;
        item = items_[(size_t)index];
        items_.erase(items_.begin() + index);
        keys_.erase(picturePathKey(item->path));
    }
    delete item;
}

void ImageList::clear()
{
    std::vector<ImageItem *> gone;
    {
        ScopedLock guard(*this);
        gone.swap(items_);
        keys_.clear();
        nextSeq_ = 0;
    }
    for (ImageItem *item : gone)
        delete item;
}

ImageItem *ImageList::at(int index) const
{
    ScopedLock guard(*this);
    return index >= 0 && index < (int)items_.size() ? items_[(size_t)index] : nullptr;
}

int ImageList::indexOfId(unsigned id) const
{
    ScopedLock guard(*this);
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->id == id)
            return (int)i;
    return -1;
}

void ImageList::markStale(int index)
{
    ScopedLock guard(*this);
    if (index < 0 || index >= (int)items_.size())
        return;
    items_[(size_t)index]->thumbDone = 0;
    items_[(size_t)index]->generation++;
}

void ImageList::turn(int index, TurnCommand command)
{
    ScopedLock guard(*this);
    if (index < 0 || index >= (int)items_.size())
        return;
    ImageItem *item = items_[(size_t)index];
    applyTurn(command, &item->rotation, &item->flip);
    item->generation++;
}

bool ImageList::acceptThumbnail(unsigned id, unsigned generation, int *indexOut)
{
    ScopedLock guard(*this);
    // The item just rendered is usually where the job found it; search otherwise.
    for (size_t i = 0; i < items_.size(); ++i) {
        ImageItem *item = items_[i];
        if (item->id != id)
            continue;
        if (item->generation != generation)
            return false;
        item->thumbDone = 1;
        if (indexOut)
            *indexOut = (int)i;
        return true;
    }
    return false;
}

bool ImageList::nextDueJob(int from, ThumbnailJob *job) const
{
    ScopedLock guard(*this);
    for (size_t i = from < 0 ? 0 : (size_t)from; i < items_.size(); ++i) {
        const ImageItem *item = items_[i];
        if (item->thumbDone)
            continue;
        job->index = (int)i;
        job->id = item->id;
        job->generation = item->generation;
        job->rotation = item->rotation;
        job->flip = item->flip;
        memcpy(job->path, item->path, sizeof job->path);
        return true;
    }
    return false;
}

int ImageList::lockedCount() const
{
    ScopedLock guard(*this);
    return (int)items_.size();
}

bool ImageList::selfCheck(std::string *why) const
{
    ScopedLock guard(*this);
    std::string problem;
    if (keys_.size() != items_.size())
        problem = "path set and list differ in size";
    int lastSeq = -1;
    for (size_t i = 0; i < items_.size() && problem.empty(); ++i) {
        const ImageItem *item = items_[i];
        if (!keys_.count(picturePathKey(item->path)))
            problem = std::string("path missing from the set: ") + item->path;
        else if (item->seq <= lastSeq || item->seq >= nextSeq_)
            problem = "sequence numbers out of order";
        else if (item->rotation % 90 != 0 || item->rotation < 0 || item->rotation >= 360 || item->flip < 0 ||
                 item->flip > 2)
            problem = "rotation or flip out of range";
        lastSeq = item->seq;
    }
    if (why)
        *why = problem;
    return problem.empty();
}
