#include "util/path_list.h"

#include <cstdlib>
#include <cstring>

PathList *PathList::create(int initialCapacity, int growthStep)
{
    PathList *list = static_cast<PathList *>(calloc(1, sizeof(PathList)));
    if (!list)
        return nullptr;
    list->capacity = initialCapacity > 0 ? initialCapacity : 10;
    list->growth = growthStep > 0 ? growthStep : 10;
    list->count = 0;
    list->items = static_cast<void **>(calloc((size_t)list->capacity, sizeof(void *)));
    if (!list->items) {
        free(list);
        return nullptr;
    }
    return list;
}

PathList *PathList::createDefault() { return create(10, 10); }

bool PathList::grow()
{
    if (count < capacity)
        return true;
    int newCapacity = capacity + growth;
    void **bigger = static_cast<void **>(calloc((size_t)newCapacity, sizeof(void *)));
    if (!bigger)
        return false;
    if (count > 0)
        memcpy(bigger, items, sizeof(void *) * (size_t)count);
    free(items);
    items = bigger;
    capacity = newCapacity;
    return true;
}

int PathList::append(void *item)
{
    if (!grow())
        return count;
    items[count++] = item;
    return count;
}

int PathList::appendCopy(const char *text)
{
    char *copy = strdup(text ? text : "");
    if (!copy)
        return count;
    int before = count;
    append(copy);
    if (count == before)
        free(copy);
    return count;
}

bool PathList::insertAt(int index, void *item)
{
    if (index < 0)
        index = 0;
    if (index >= count) {
        int before = count;
        return append(item) > before;
    }
    if (!grow())
        return false;
    memmove(&items[index + 1], &items[index], sizeof(void *) * (size_t)(count - index));
    items[index] = item;
    ++count;
    return true;
}

int PathList::find(const void *item, Equal equal) const
{
    for (int i = 0; i < count; ++i)
        if (equal(items[i], item))
            return i;
    return -1;
}

int PathList::findLast(const void *item, Equal equal) const
{
    for (int i = count - 1; i >= 0; --i)
        if (equal(items[i], item))
            return i;
    return -1;
}

int PathList::contains(const void *item, Equal equal) const { return find(item, equal) >= 0 ? 1 : 0; }

int PathList::removeFirst(const void *item, Equal equal)
{
    int index = find(item, equal);
    if (index >= 0)
        removeAt(index);
    return index;
}

void *PathList::removeAt(int index)
{
    if (index < 0 || index >= count)
        return nullptr;
    void *item = items[index];
    memmove(&items[index], &items[index + 1], sizeof(void *) * (size_t)(count - index - 1));
    items[--count] = nullptr;
    return item;
}

int PathList::setAt(int index, void *item)
{
    if (index >= 0 && index < count)
        items[index] = item;
    return index;
}

void *PathList::get(int index) const { return (index >= 0 && index < count) ? items[index] : nullptr; }

void PathList::clear(bool release)
{
    for (int i = 0; i < count; ++i) {
        if (release)
            free(items[i]);
        items[i] = nullptr;
    }
    count = 0;
}

PathList *PathList::destroy(bool release)
{
    clear(release);
    free(items);
    free(this);
    return nullptr;
}

int PathList::sameText(const void *a, const void *b)
{
    return a == b || (a && b && strcmp(static_cast<const char *>(a), static_cast<const char *>(b)) == 0);
}

int PathList::sameInt(const void *a, const void *b)
{
    return a == b || (a && b && *static_cast<const int *>(a) == *static_cast<const int *>(b));
}
