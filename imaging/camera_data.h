// Camera data that stays true to the picture written with it. A picture keeps
// its EXIF block and XMP packet when the user does not remove them, but a
// turned, cropped or marked picture must not go out with the camera's own
// thumbnail of the untouched original (EXIF IFD1), nor with an orientation tag
// that makes every viewer turn it once more. The EXIF block is read and written
// by libexif, which keeps every other tag as it was; the XMP packet is text and
// only the named properties are touched.
#pragma once
#include <wand/MagickWand.h>

#include <string>

struct CameraDataEdit {
    int orientation = 0;        // 1..8: the value the orientation tags take where they exist; 0 leaves them
    bool dropThumbnail = false;  // EXIF IFD1 and its JPEG
    bool dropLocation = false;   // the EXIF GPS IFD and the XMP exif:GPS... properties
};

enum class CameraDataResult { Unchanged, Changed, Unreadable };

// The EXIF block as ImageMagick keeps it ("Exif\0\0" and the TIFF structure; a
// block without the six bytes is taken too and comes back without them).
// Changed with the new block in out; Unreadable when libexif finds nothing in
// it or the new block would not fit a JPEG's APP1 segment.
CameraDataResult editExifBlock(const std::string &block, const CameraDataEdit &edit, std::string &out);

// The XMP packet: tiff:Orientation set, exif:GPS... properties removed (under
// whatever prefixes the packet binds to those namespaces).
CameraDataResult editXmpPacket(const std::string &packet, const CameraDataEdit &edit, std::string &out);

// Applies edit to the "exif" and "xmp" profiles of the wand's current image.
// An EXIF block that cannot be read is removed: what it holds cannot be vouched
// for. The other profiles (ICC, IPTC, ...) are not touched.
void editCameraData(MagickWand *wand, const CameraDataEdit &edit);

// Before a picture is encoded: no EXIF thumbnail, and the orientation tags say
// what the image's orientation says (1 once the picture was turned upright).
void makeCameraDataTrue(MagickWand *wand);
