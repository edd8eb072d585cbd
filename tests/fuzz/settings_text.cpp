// The settings-file reader on any bytes: it never reads past them, and what it
// makes of them is a record that reads back as itself. The text written from
// the record is read into a fresh record and written again: both texts agree
// (nothing the writer puts out is lost or changed by the reader), and the
// record is already normal (normalising it again changes nothing).
#include "fuzz_target.h"

#include <string>

#include "core/settings_text.h"

FUZZ_TARGET(settings_text)
{
    ProcessSettings settings;
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const int keys = applySettingsText(settings, bytes);
    FUZZ_CHECK(keys >= 0 && size_t(keys) <= size / 2);

    const std::string written = settingsText(settings);
    ProcessSettings normalised = settings;
    normaliseSettings(normalised);
    FUZZ_CHECK(settingsText(normalised) == written);

    ProcessSettings reread;
    FUZZ_CHECK(applySettingsText(reread, written) == int(settingsKeys().size()));
    FUZZ_CHECK(settingsText(reread) == written);

    // Starting from the cleared record, as the window's load does, ends normal too.
    ProcessSettings cleared;
    clearSettings(cleared);
    presetSettings(cleared);
    applySettingsText(cleared, bytes);
    ProcessSettings clearedAgain = cleared;
    normaliseSettings(clearedAgain);
    FUZZ_CHECK(settingsText(clearedAgain) == settingsText(cleared));
    return 0;
}
