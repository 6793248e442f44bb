#!/usr/bin/env bash
# Collects the tr() texts of the windows into the Russian translation files: the
# task editor and the history window have their own files, every other window
# shares the main window's.
# Run after adding or changing window texts, then translate the new entries.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=/usr/lib/qt6/bin/lupdate
dirs=()
for d in app engine/ui help; do
    [ -d "$d" ] && dirs+=("$d")
done
"$lupdate" -I . -no-obsolete -locations none "${dirs[@]}" -ts app/translations/korvel_ru.ts
"$lupdate" -I . -no-obsolete -locations none editor -ts editor/translations/korvel_editor_ru.ts
"$lupdate" -I . -no-obsolete -locations none schedule/ui -ts schedule/ui/translations/korvel_schedule_ru.ts
