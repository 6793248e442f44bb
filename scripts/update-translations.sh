#!/usr/bin/env bash
# Collects the tr() texts of every window into the Russian translation file.
# Run after adding or changing window texts, then translate the new entries.
set -euo pipefail
cd "$(dirname "$0")/.."
dirs=()
for d in app engine/ui schedule/ui editor help; do
    [ -d "$d" ] && dirs+=("$d")
done
/usr/lib/qt6/bin/lupdate -I . -no-obsolete -locations none "${dirs[@]}" -ts app/translations/korvel_ru.ts
