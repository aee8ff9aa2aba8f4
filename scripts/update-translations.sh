#!/usr/bin/env bash
# Refreshes the translation sources from the code: new texts appear unfinished,
# texts gone from the code are dropped. Translate the new entries, then rebuild.
#   scripts/update-translations.sh
set -euo pipefail
cd "$(dirname "$0")/../VYRA_Control_App"
LUPDATE=$(command -v lupdate || echo /usr/lib/qt5/bin/lupdate)
for lang in fr zh; do
    "$LUPDATE" -no-obsolete -locations none -target-language "$lang" \
        ./*.cpp ./*.h qml/*.qml qml/*.js -ts "translations/vyraapp_$lang.ts"
done
# English is the source language: its catalogue holds only what differs, the plural forms.
"$LUPDATE" -no-obsolete -locations none -pluralonly -target-language en \
    ./*.cpp ./*.h qml/*.qml qml/*.js -ts translations/vyraapp_en.ts
