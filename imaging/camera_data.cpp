#include "imaging/camera_data.h"

#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

#include <cstring>
#include <vector>

namespace {

const char kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
const size_t kExifHeaderSize = sizeof kExifHeader;
// A JPEG segment holds 65535 bytes with its two length bytes, and ImageMagick
// writes the block into one APP1 segment.
const size_t kLargestExifBlock = 65533;

// The loaded block and the allocator it was made with.
struct LoadedExif {
    ExifMem *mem = nullptr;
    ExifData *data = nullptr;
    LoadedExif() = default;
    LoadedExif(const LoadedExif &) = delete;
    LoadedExif &operator=(const LoadedExif &) = delete;
    ~LoadedExif()
    {
        if (data)
            exif_data_unref(data);
        if (mem)
            exif_mem_unref(mem);
    }
};

bool loadExif(const std::string &block, bool framed, LoadedExif &loaded)
{
    loaded.mem = exif_mem_new_default();
    loaded.data = loaded.mem ? exif_data_new_mem(loaded.mem) : nullptr;
    if (!loaded.data)
        return false;
    // Tags libexif does not know and values it would "correct" are kept as the
    // camera wrote them.
    exif_data_unset_option(loaded.data, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_unset_option(loaded.data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    if (framed) {
        exif_data_load_data(loaded.data, reinterpret_cast<const unsigned char *>(block.data()),
                            (unsigned int)block.size());
    } else {
        std::string withHeader(kExifHeader, kExifHeaderSize);
        withHeader += block;
        exif_data_load_data(loaded.data, reinterpret_cast<const unsigned char *>(withHeader.data()),
                            (unsigned int)withHeader.size());
    }
    for (int i = 0; i < EXIF_IFD_COUNT; ++i)
        if (loaded.data->ifd[i] && loaded.data->ifd[i]->count > 0)
            return true;
    return loaded.data->data && loaded.data->size > 0;
}

void removeAllEntries(ExifContent *content)
{
    while (content && content->count > 0)
        exif_content_remove_entry(content, content->entries[content->count - 1]);
}

bool setOrientationTag(ExifData *data, int orientation)
{
    ExifEntry *entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || !entry->data || entry->size < 2)
        return false;
    ExifByteOrder order = exif_data_get_byte_order(data);
    if (exif_get_short(entry->data, order) == (ExifShort)orientation)
        return false;
    exif_set_short(entry->data, order, (ExifShort)orientation);
    return true;
}

}  // namespace

CameraDataResult editExifBlock(const std::string &block, const CameraDataEdit &edit, std::string &out)
{
    out.clear();
    const bool framed = block.size() >= kExifHeaderSize && memcmp(block.data(), kExifHeader, kExifHeaderSize) == 0;
    LoadedExif loaded;
    if (!loadExif(block, framed, loaded))
        return CameraDataResult::Unreadable;
    ExifData *data = loaded.data;
    bool changed = false;
    if (edit.orientation >= 1 && edit.orientation <= 8)
        changed = setOrientationTag(data, edit.orientation) || changed;
    if (edit.dropThumbnail && (data->ifd[EXIF_IFD_1]->count > 0 || data->data)) {
        removeAllEntries(data->ifd[EXIF_IFD_1]);
        if (data->data)
            exif_mem_free(loaded.mem, data->data);
        data->data = nullptr;
        data->size = 0;
        changed = true;
    }
    // libexif writes the GPS pointer of IFD0 only for a GPS IFD that has entries.
    if (edit.dropLocation && data->ifd[EXIF_IFD_GPS]->count > 0) {
        removeAllEntries(data->ifd[EXIF_IFD_GPS]);
        changed = true;
    }
    if (!changed)
        return CameraDataResult::Unchanged;
    // libexif writes the maker notes it understands anew, with their offsets
    // moved to where they now are. One it cannot write (Apple's comes out
    // empty) is written again as the camera wrote it.
    ExifEntry *makerNote = exif_data_get_entry(data, EXIF_TAG_MAKER_NOTE);
    const std::string makerNoteBytes =
        makerNote && makerNote->data ? std::string(reinterpret_cast<const char *>(makerNote->data), makerNote->size)
                                     : std::string();
    unsigned char *saved = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &saved, &size);
    if (makerNote && !makerNoteBytes.empty() && (!makerNote->data || makerNote->size == 0)) {
        if (saved)
            exif_mem_free(loaded.mem, saved);
        saved = nullptr;
        size = 0;
        if (makerNote->data)
            exif_mem_free(loaded.mem, makerNote->data);
        makerNote->data = static_cast<unsigned char *>(exif_mem_alloc(loaded.mem, (ExifLong)makerNoteBytes.size()));
        if (!makerNote->data)
            return CameraDataResult::Unreadable;
        memcpy(makerNote->data, makerNoteBytes.data(), makerNoteBytes.size());
        makerNote->size = (unsigned int)makerNoteBytes.size();
        const unsigned unit = exif_format_get_size(makerNote->format);
        makerNote->components = unit ? makerNote->size / unit : makerNote->size;
        exif_data_set_option(data, EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
        exif_data_save_data(data, &saved, &size);
    }
    if (!saved || size <= kExifHeaderSize) {
        if (saved)
            exif_mem_free(loaded.mem, saved);
        return CameraDataResult::Unreadable;
    }
    if (framed)
        out.assign(reinterpret_cast<const char *>(saved), size);
    else
        out.assign(reinterpret_cast<const char *>(saved) + kExifHeaderSize, size - kExifHeaderSize);
    exif_mem_free(loaded.mem, saved);
    if (out.size() > kLargestExifBlock) {
        out.clear();
        return CameraDataResult::Unreadable;
    }
    return CameraDataResult::Changed;
}

// ---- XMP -----------------------------------------------------------------------------

namespace {

const char kTiffNamespace[] = "http://ns.adobe.com/tiff/1.0/";
const char kExifNamespace[] = "http://ns.adobe.com/exif/1.0/";

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.' || (unsigned char)c >= 0x80;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

size_t skipSpaces(const std::string &text, size_t at)
{
    while (at < text.size() && isSpace(text[at]))
        ++at;
    return at;
}

// The end of a quoted value starting at `at` (the quote), just past the closing
// quote; npos when it does not close.
size_t quotedEnd(const std::string &text, size_t at)
{
    if (at >= text.size() || (text[at] != '"' && text[at] != '\''))
        return std::string::npos;
    size_t close = text.find(text[at], at + 1);
    return close == std::string::npos ? close : close + 1;
}

// The prefixes the packet binds to a namespace (xmlns:P="uri").
std::vector<std::string> boundPrefixes(const std::string &xmp, const char *uri)
{
    std::vector<std::string> prefixes;
    for (size_t at = xmp.find("xmlns:"); at != std::string::npos; at = xmp.find("xmlns:", at + 1)) {
        size_t nameEnd = at + 6;
        while (nameEnd < xmp.size() && isNameChar(xmp[nameEnd]))
            ++nameEnd;
        size_t p = skipSpaces(xmp, nameEnd);
        if (p >= xmp.size() || xmp[p] != '=')
            continue;
        p = skipSpaces(xmp, p + 1);
        size_t end = quotedEnd(xmp, p);
        if (end == std::string::npos)
            continue;
        if (xmp.compare(p + 1, end - p - 2, uri) == 0 && nameEnd > at + 6)
            prefixes.push_back(xmp.substr(at + 6, nameEnd - at - 6));
    }
    return prefixes;
}

// What is done to each property of one namespace that the test picks.
struct PropertyRule {
    std::string prefix;
    bool (*picks)(const std::string &localName);
    bool remove;  // else the value becomes `value`
    std::string value;
};

bool isGpsName(const std::string &name) { return name.compare(0, 3, "GPS") == 0; }
bool isOrientationName(const std::string &name) { return name == "Orientation"; }

// One pass over the packet for one rule: properties written as attributes
// (prefix:Name="v") and as elements (<prefix:Name>v</prefix:Name>, or with
// content of their own, or empty).
bool applyRule(std::string &xmp, const PropertyRule &rule)
{
    const std::string qualified = rule.prefix + ":";
    bool changed = false;
    size_t at = 0;
    while ((at = xmp.find(qualified, at)) != std::string::npos) {
        size_t nameStart = at + qualified.size();
        size_t nameEnd = nameStart;
        while (nameEnd < xmp.size() && isNameChar(xmp[nameEnd]))
            ++nameEnd;
        const std::string name = xmp.substr(nameStart, nameEnd - nameStart);
        const char before = at > 0 ? xmp[at - 1] : '\0';
        if (name.empty() || !rule.picks(name) || (before != '<' && !isSpace(before))) {
            at = nameEnd;
            continue;
        }
        if (before == '<') {
            const size_t open = at - 1;
            size_t gt = nameEnd;
            while (gt < xmp.size() && xmp[gt] != '>') {
                if (xmp[gt] == '"' || xmp[gt] == '\'') {
                    size_t end = quotedEnd(xmp, gt);
                    if (end == std::string::npos)
                        return changed;
                    gt = end;
                } else {
                    ++gt;
                }
            }
            if (gt >= xmp.size())
                return changed;
            const bool empty = xmp[gt - 1] == '/';
            const std::string closing = "</" + rule.prefix + ":" + name + ">";
            size_t close = empty ? std::string::npos : xmp.find(closing, gt + 1);
            if (!empty && close == std::string::npos) {
                at = gt;
                continue;
            }
            if (rule.remove) {
                size_t end = empty ? gt + 1 : close + closing.size();
                xmp.erase(open, end - open);
                at = open;
                changed = true;
            } else if (!empty && xmp.find('<', gt + 1) == close &&
                       xmp.compare(gt + 1, close - gt - 1, rule.value) != 0) {
                xmp.replace(gt + 1, close - gt - 1, rule.value);
                at = gt + 1 + rule.value.size();
                changed = true;
            } else {
                at = gt;
            }
            continue;
        }
        // An attribute.
        size_t p = skipSpaces(xmp, nameEnd);
        if (p >= xmp.size() || xmp[p] != '=') {
            at = nameEnd;
            continue;
        }
        p = skipSpaces(xmp, p + 1);
        size_t end = quotedEnd(xmp, p);
        if (end == std::string::npos) {
            at = nameEnd;
            continue;
        }
        if (rule.remove) {
            size_t start = at;
            while (start > 0 && isSpace(xmp[start - 1]))
                --start;
            xmp.erase(start, end - start);
            at = start;
            changed = true;
        } else if (xmp.compare(p + 1, end - p - 2, rule.value) != 0) {
            xmp.replace(p + 1, end - p - 2, rule.value);
            at = p + 1 + rule.value.size() + 1;
            changed = true;
        } else {
            at = end;
        }
    }
    return changed;
}

}  // namespace

CameraDataResult editXmpPacket(const std::string &packet, const CameraDataEdit &edit, std::string &out)
{
    out = packet;
    bool changed = false;
    if (edit.orientation >= 1 && edit.orientation <= 8)
        for (const std::string &prefix : boundPrefixes(packet, kTiffNamespace))
            changed =
                applyRule(out, {prefix, isOrientationName, false, std::string(1, char('0' + edit.orientation))}) ||
                changed;
    if (edit.dropLocation)
        for (const std::string &prefix : boundPrefixes(packet, kExifNamespace))
            changed = applyRule(out, {prefix, isGpsName, true, std::string()}) || changed;
    if (!changed) {
        out.clear();
        return CameraDataResult::Unchanged;
    }
    return CameraDataResult::Changed;
}

// ---- On a wand -----------------------------------------------------------------------

namespace {

std::string profileBytes(MagickWand *wand, const char *name)
{
    size_t length = 0;
    unsigned char *bytes = MagickGetImageProfile(wand, name, &length);
    std::string profile;
    if (bytes) {
        profile.assign(reinterpret_cast<const char *>(bytes), length);
        MagickRelinquishMemory(bytes);
    }
    return profile;
}

void replaceProfile(MagickWand *wand, const char *name, const std::string &bytes)
{
    size_t length = 0;
    unsigned char *old = MagickRemoveImageProfile(wand, name, &length);
    if (old)
        MagickRelinquishMemory(old);
    if (!bytes.empty())
        MagickSetImageProfile(wand, name, bytes.data(), bytes.size());
}

}  // namespace

void editCameraData(MagickWand *wand, const CameraDataEdit &edit)
{
    if (!wand || MagickGetNumberImages(wand) == 0)
        return;
    std::string exif = profileBytes(wand, "exif");
    std::string out;
    if (!exif.empty()) {
        switch (editExifBlock(exif, edit, out)) {
        case CameraDataResult::Changed: replaceProfile(wand, "exif", out); break;
        case CameraDataResult::Unreadable: replaceProfile(wand, "exif", std::string()); break;
        case CameraDataResult::Unchanged: break;
        }
    }
    std::string xmp = profileBytes(wand, "xmp");
    if (!xmp.empty() && editXmpPacket(xmp, edit, out) == CameraDataResult::Changed)
        replaceProfile(wand, "xmp", out);
}

void makeCameraDataTrue(MagickWand *wand)
{
    if (!wand || MagickGetNumberImages(wand) == 0)
        return;
    CameraDataEdit edit;
    edit.dropThumbnail = true;
    OrientationType orientation = MagickGetImageOrientation(wand);
    edit.orientation = orientation >= TopLeftOrientation && orientation <= LeftBottomOrientation ? (int)orientation : 0;
    editCameraData(wand, edit);
}
