#!/usr/bin/env bash
# Collects the tr() texts of every window into the Russian translation file.
# Run after adding or changing window texts, then translate the new entries.
set -euo pipefail
cd "$(dirname "$0")/.."
dirs=()
for d in app engine/ui editor help; do
    [ -d "$d" ] && dirs+=("$d")
done
/usr/lib/qt6/bin/lupdate -I . -no-obsolete -locations none "${dirs[@]}" -ts app/translations/korvel_ru.ts
# The history window's library carries its own translation.
/usr/lib/qt6/bin/lupdate -I . -no-obsolete -locations none schedule/ui -ts schedule/ui/translations/korvel_schedule_ru.ts
