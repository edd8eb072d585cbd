// The camera data edits on any EXIF block or XMP packet and any edit: nothing
// is read outside the bytes; a changed block keeps its "Exif" frame (or lack of
// one) and fits a JPEG segment, or is empty when nothing is left in it, and
// edited once it needs no second edit (no thumbnail, location or other
// orientation left behind); an unchanged one gives nothing back.
#include "fuzz_target.h"

#include <string>

#include "imaging/camera_data.h"

FUZZ_TARGET(camera_data)
{
    FuzzBytes in(data, size);
    CameraDataEdit edit;
    edit.orientation = int(in.number(0, 9));
    edit.dropThumbnail = in.flag();
    edit.dropLocation = in.flag();
    const bool xmp = in.flag();
    const std::string bytes = in.rest();

    std::string out, again;
    const CameraDataResult result = xmp ? editXmpPacket(bytes, edit, out) : editExifBlock(bytes, edit, out);
    if (result != CameraDataResult::Changed) {
        FUZZ_CHECK(out.empty());
        FUZZ_CHECK(!xmp || result == CameraDataResult::Unchanged);
        return 0;
    }
    if (xmp) {
        FUZZ_CHECK(out != bytes);
        FUZZ_CHECK(editXmpPacket(out, edit, again) == CameraDataResult::Unchanged);
        return 0;
    }
    if (out.empty())  // nothing was left: the block goes
        return 0;
    const std::string frame("Exif\0\0", 6);
    FUZZ_CHECK(out.size() <= 65533);
    FUZZ_CHECK((out.compare(0, 6, frame) == 0) == (bytes.compare(0, 6, frame) == 0));
    FUZZ_CHECK(editExifBlock(out, edit, again) == CameraDataResult::Unchanged);
    return 0;
}
