#include "fuzz_entries.h"

namespace korvel::fuzz {

const std::vector<TFuzzTarget>& FuzzTargets() {
    static const std::vector<TFuzzTarget> targets = {
        {"zip_reader", ZipReaderEntry},       {"zip_update", ZipUpdateEntry},
        {"tasks_store", TasksStoreEntry},     {"history_store", HistoryStoreEntry},
        {"options_store", OptionsStoreEntry}, {"mask", MaskEntry},
        {"archive_name", ArchiveNameEntry},   {"sfx_directory", SfxDirectoryEntry},
        {"sfx_extract", SfxExtractEntry},
    };
    return targets;
}

} // namespace korvel::fuzz
