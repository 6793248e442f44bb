#!/usr/bin/env bash
# Collects the tr() texts of the windows into the Russian translation files: the
# task editor has its own file, every other window shares the main window's.
# Run after adding or changing window texts, then translate the new entries.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=/usr/lib/qt6/bin/lupdate
dirs=()
for d in app engine/ui schedule/ui help; do
    [ -d "$d" ] && dirs+=("$d")
done
"$lupdate" -I . -no-obsolete -locations none "${dirs[@]}" -ts app/translations/korvel_ru.ts
"$lupdate" -I . -no-obsolete -locations none editor -ts editor/translations/korvel_editor_ru.ts
