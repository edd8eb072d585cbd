// The settings-file reader on any bytes: it never reads past them, and what it
// makes of them is a record that reads back as itself. The text written from
// the record is read into a fresh record and written again: both texts agree
// (nothing the writer puts out is lost or changed by the reader), and the
// record is already normal (normalising it again changes nothing). Faults (a
// value that is no number, a repeated key) are named by their line.
#include "fuzz_target.h"

#include <string>
#include <vector>

#include "core/settings_text.h"

FUZZ_TARGET(settings_text)
{
    ProcessSettings settings;
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    std::vector<SettingsTextFault> faults;
    const int keys = applySettingsText(settings, bytes, &faults);
    FUZZ_CHECK(keys >= 0 && size_t(keys) <= size / 2);
    // Each fault is a settings key's line, named by its number, in line order.
    FUZZ_CHECK(faults.size() <= size_t(keys));
    for (size_t i = 0; i < faults.size(); ++i) {
        FUZZ_CHECK(faults[i].line >= 1 && (i == 0 || faults[i - 1].line <= faults[i].line));
        FUZZ_CHECK(settingsFaultText(faults[i]).find(" " + std::to_string(faults[i].line) + " ") != std::string::npos);
    }

    const std::string written = settingsText(settings);
    ProcessSettings normalised = settings;
    normaliseSettings(normalised);
    FUZZ_CHECK(settingsText(normalised) == written);

    ProcessSettings reread;
    std::vector<SettingsTextFault> none;
    FUZZ_CHECK(applySettingsText(reread, written, &none) == int(settingsKeys().size()));
    FUZZ_CHECK(none.empty());  // what the writer puts out, the reader takes without a complaint
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
