// The one growable ordered list of heap items (mostly GBK path texts made with
// strdup/malloc). Whether the list owns its items is decided at clear/destroy time.
#pragma once

struct PathList {
    void **items;
    int capacity;
    int growth;
    int count;

    typedef int (*Equal)(const void *listItem, const void *given);

    // Values of 0 or less become 10.
    static PathList *create(int initialCapacity, int growth);
    static PathList *createDefault();

    int append(void *item);
    bool insertAt(int index, void *item);
    int find(const void *item, Equal equal) const;
    int findLast(const void *item, Equal equal) const;
    int contains(const void *item, Equal equal) const;
    int removeFirst(const void *item, Equal equal);
    void *removeAt(int index);
    int setAt(int index, void *item);
    void *get(int index) const;
    // With release set every item is given back with free().
    void clear(bool release);
    // clear(release), then the list itself; returns nullptr for "list = list->destroy(...)".
    PathList *destroy(bool release);

    // Convenience for the common case of text items.
    const char *text(int index) const { return static_cast<const char *>(get(index)); }
    int appendCopy(const char *text);

    static int sameText(const void *a, const void *b);
    static int sameInt(const void *a, const void *b);

private:
    bool grow();
};
