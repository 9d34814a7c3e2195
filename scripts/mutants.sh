#!/usr/bin/env bash
# Mutation check of the test suite: each mutant below is one small fault in the product code that
# a user would notice. Each is applied alone to a scratch copy of the working tree, built, and run
# against the unit tests, then (if they all pass) the real-window and corpus tests. A mutant the
# suite fails on is killed; one it passes survives. Prints one line per mutant and the kill rate.
#
#   scripts/mutants.sh [--list | --check] [NAME...]
#
# --check only verifies that every mutant still applies to the code as it is.
#
# The scratch copy and its build live in $SLIDEWELL_MUTANTS_DIR (default /tmp/slidewell-mutants),
# kept between runs so that only what a mutant touches is built again. Needs the packages of
# `scripts/setup.sh --test`.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
work=${SLIDEWELL_MUTANTS_DIR:-/tmp/slidewell-mutants}

names=() files=() befores=() afters=()
# mutant NAME FILE BEFORE AFTER: BEFORE must occur exactly once in FILE.
mutant() { names+=("$1") files+=("$2") befores+=("$3") afters+=("$4"); }

# The settings panel and the start of a show.
mutant delay-limit-flipped app/SlidewellFormShow.cpp \
    'Conversions::leadingNumber(text) > 65' 'Conversions::leadingNumber(text) >= 65'
mutant empty-folder-accepted app/SlidewellFormShow.cpp \
    'if (Conversions::trimBlanks(folder).isEmpty()) {' 'if (folder.isEmpty()) {'
mutant no-files-not-reported app/SlidewellFormShow.cpp \
    'if (m_show.search(showFolder, GetFilePattern()).isEmpty()) {' \
    'if (m_show.search(showFolder, GetFilePattern()).isNull() && false) {'
mutant caption-in-full-screen app/SlidewellForm.cpp \
    'if (!ui->fullScreenOptionButton->isChecked())
            setWindowTitle' 'if (true)
            setWindowTitle'
mutant title-bar-kept-in-full-screen app/SlidewellFormShow.cpp \
    'windowStyle.setTitlebar(false);' 'windowStyle.setTitlebar(true);'
mutant saved-size-not-applied app/SlidewellFormShow.cpp \
    '        setHeight(GetSavedHeight());' ''
mutant settings-not-saved-at-play app/SlidewellFormShow.cpp \
    '    SaveSettings();
    ShowNextImage();' '    ShowNextImage();'
mutant relative-folder-not-resolved app/SlideShow.cpp \
    'if (!QDir::isRelativePath(folderText))' 'if (true)'
mutant unreadable-folder-as-empty app/SlideShow.cpp \
    'if (!found.error.isEmpty())' 'if (false)'
mutant pointer-hidden-in-window app/SlidewellFormShow.cpp \
    'm_pointerHider.setActive(ui->fullScreenOptionButton->isChecked());' \
    'm_pointerHider.setActive(true);'
# The running show.
mutant wrap-around-dropped app/SlideShow.cpp \
    '    if (!m_currentImageFile.isEmpty())
        return;
    if (m_mode' '    return;
    if (m_mode'
mutant read-ahead-ignores-size app/SlideShow.cpp \
    'm_ahead->path == path && m_ahead->area == area' 'm_ahead->path == path'
mutant rewritten-file-reused app/ShowLoader.cpp \
    'request.reuse && request.reuse->stamp == *stamp' 'request.reuse'
mutant pause-keeps-timer app/SlideShow.cpp \
    'void SlideShow::pause()
{
    m_timer.stop();' 'void SlideShow::pause()
{'
mutant resume-without-timer app/SlideShow.cpp \
    '    m_state = State::Running;
    enableTimer();' '    m_state = State::Running;'
mutant back-key-ignores-history app/SlideShow.cpp \
    'if (m_history.size() < 2)' 'if (m_history.size() < 100000)'
mutant escape-does-not-stop app/SlidewellForm.cpp \
    'return stopShow();' 'break;'
mutant pause-missing-from-menu app/SlidewellFormShow.cpp \
    'BuildPopupMenu(true, m_show.state() == SlideShow::State::Running,' \
    'BuildPopupMenu(true, false,'
mutant screen-saver-kept-after-stop app/SlidewellFormShow.cpp \
    '    m_show.stop();
    m_screenSaver.release();' '    m_show.stop();'
# Stopping the show.
mutant stop-does-not-save-size app/SlidewellFormShow.cpp \
    '        SaveWindowSize();
    } catch' '    } catch'
mutant size-saved-in-full-screen app/SlidewellFormSettings.cpp \
    'void SlidewellForm::SaveWindowSize()
{
    if (ui->fullScreenOptionButton->isChecked())' 'void SlidewellForm::SaveWindowSize()
{
    if (false)'
mutant window-not-restored app/SlidewellFormShow.cpp \
    '    setWidth(startupWidth);' ''
# Searching the folder.
mutant show-order-reversed platform/DirectorySearch.cpp \
    'return byCase != 0 ? byCase < 0 : a < b;' 'return byCase != 0 ? byCase > 0 : a > b;'
mutant order-by-case platform/DirectorySearch.cpp \
    'a.compare(b, Qt::CaseInsensitive)' 'a.compare(b, Qt::CaseSensitive)'
mutant fifo-listed platform/DirectorySearch.cpp \
    'if (entry.isFile() && matches(pattern, entry.fileName()))' \
    'if (!entry.isDir() && matches(pattern, entry.fileName()))'
# The listing's filter and the loop both leave hidden entries out: the fault is losing both.
mutant hidden-files-listed platform/DirectorySearch.cpp \
    'QDir::Files | QDir::NoDotAndDotDot | (m_subfolders ? QDir::Dirs : QDir::Filters()));
    while (entries.hasNext()) {
        const QFileInfo entry = entries.nextFileInfo();
        if (entry.fileName().startsWith(u'"'"'.'"'"'))
            continue;' 'QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot | (m_subfolders ? QDir::Dirs : QDir::Filters()));
    while (entries.hasNext()) {
        const QFileInfo entry = entries.nextFileInfo();'
mutant wildcard-case-sensitive platform/DirectorySearch.cpp \
    'pattern[p].toCaseFolded() == name[n].toCaseFolded()' 'pattern[p] == name[n]'
mutant shuffle-repeats-last platform/DirectorySearch.cpp \
    'if (m_names.size() > 1 && m_names.first() == m_last)' 'if (false)'
# Settings.
mutant settings-replaced-unchecked settings/SettingsFile.cpp \
    'if (!reason.isEmpty() || readBack != expected)' 'if (!reason.isEmpty())'
mutant damaged-settings-block-the-show settings/SettingsFile.cpp \
    'const Values readable = parse(bytes, reason).value_or(Values());' 'return std::nullopt;'
mutant damaged-settings-not-kept settings/SettingsFile.cpp \
    'damaged = true;' 'damaged = false;'
mutant large-settings-truncated settings/SettingsFile.cpp \
    'if (bytes.size() > largestSettingsFile) {' 'if (false) {'
mutant unreadable-settings-overwritten settings/SettingsFile.cpp \
    'if (info.exists() && !readBytes(m_path, bytes, reason))' \
    'if (info.exists() && !readBytes(m_path, bytes, reason) && false)'
mutant machine-file-wins settings/SettingsFile.cpp \
    'files.append(SettingsFile(folder + fileInConfigFolder));' \
    'files.prepend(SettingsFile(folder + fileInConfigFolder));'
mutant screen-size-case-sensitive app/SlidewellFormSettings.cpp \
    'readSetting(QStringLiteral("screenSize")).toLower()' 'readSetting(QStringLiteral("screenSize"))'
mutant invalid-colour-accepted app/SlidewellFormSettings.cpp \
    'if (color && VbColor::isValid(*color))' 'if (color)'
mutant no-first-run-format app/SlidewellFormSettings.cpp \
    '.value_or(allPicturesFormat)' '.value_or(QString())'
mutant saved-width-not-clamped app/SlidewellFormSettings.cpp \
    'return std::min(width, Twips::fromPixels(screen()->availableGeometry().width() - frame));' \
    'return width + 0 * frame;'
# Numbers and the fit.
mutant overflow-unchecked platform/Conversions.cpp \
    'if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))' 'if (std::isnan(rounded))'
mutant trailing-text-numeric platform/Conversions.cpp \
    '([eE][+-]?\d+)?[ \t]*$)' '([eE][+-]?\d+)?[ \t]*)'
mutant fit-height-unclamped app/ImageFit.cpp \
    'fit.height = clientHeight;' 'fit.height = heightAtFullWidth;'
mutant file-url-kept platform/CommandLine.cpp \
    'return url.toLocalFile();' 'return text;'
# Pictures.
mutant pixel-budget-unchecked pictures/PictureLoader.cpp \
    'if (qint64(size.width()) * size.height() > pixelBudget)' 'if (false)'
mutant metafile-size-unchecked pictures/PictureLoader.cpp \
    'if (file.size() > largestMetafile)' 'if (false)'
mutant exif-orientation-ignored pictures/PictureLoader.cpp \
    'm_transformation = reader->transformation();' \
    'm_transformation = QImageIOHandler::TransformationNone;'
mutant bmp-upside-down pictures/BmpDecoder.cpp \
    'm_topDown = height < 0;' 'm_topDown = height > 0;'
mutant helper-never-killed pictures/MetafileRenderer.cpp \
    '    m_helper->kill();
    QProcess* helper' '    QProcess* helper'
# Colours.
mutant embedded-profile-ignored pictures/PictureLoader.cpp \
    '    ColourProfile::convert(&image, m_colour);' ''
# Controls.
mutant link-edge-outside controls/XLinkLabel.cpp \
    'x <= mWidth && y <= mHeight' 'x < mWidth && y < mHeight'
# Reverse order.
mutant reverse-order-ignored platform/DirectorySearch.cpp \
    '} else if (m_reversed) {' '} else if (false) {'
# Transitions.
mutant transition-not-capped app/TransitionTiming.cpp \
    'std::clamp(chosen, 0, std::max(0, delay / 2))' 'std::max(chosen, 0)'
mutant transition-duration-unread app/SlidewellFormSettings.cpp \
    'option->setChecked(milliseconds == (offered ? stored : defaultTransitionDuration));' \
    'option->setChecked(milliseconds == defaultTransitionDuration);'

# Applies mutant I to the copy of its file at PATH.
apply() {
    python3 - "$2" "${befores[$1]}" "${afters[$1]}" <<'EOF'
import sys
path, before, after = sys.argv[1:]
text = open(path, encoding="utf-8").read()
if text.count(before) != 1:
    sys.exit(f"{path}: the text to mutate occurs {text.count(before)} times")
open(path, "w", encoding="utf-8").write(text.replace(before, after))
EOF
}

case ${1:-} in
--list)
    printf '%s\n' "${names[@]}"
    exit 0
    ;;
--check)
    scratch=$(mktemp)
    trap 'rm -f "$scratch"' EXIT
    for i in "${!names[@]}"; do
        cp "${files[i]}" "$scratch"
        apply "$i" "$scratch" || { echo "${names[i]}: does not apply"; exit 1; }
    done
    echo "all ${#names[@]} mutants apply"
    exit 0
    ;;
esac
# Only the named mutants, when names are given.
wanted=" $* "

# The scratch copy: the tracked files as they are in the working tree, with the shared test data
# beside it as beside the project.
rm -rf "$work/src"
mkdir -p "$work/src"
git ls-files -z | tar --null --files-from=- --ignore-failed-read -cf - | tar -xf - -C "$work/src"
[[ -d ../shared && ! -e $work/shared ]] && ln -s "$(realpath ../shared)" "$work/shared"
build=$work/build
if [[ ! -f $build/build.ninja ]]; then
    cmake -S "$work/src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi

log=$work/log
mkdir -p "$log"
# Runs the suite; succeeds when every test passes.
suite_passes() {
    local name=$1 label
    for label in unit e2e corpus; do
        ctest --test-dir "$build" -L "^$label\$" -j2 --stop-on-failure >"$log/$name.$label" 2>&1 \
            || return 1
    done
}

echo "building the unmutated copy"
cmake --build "$build" -j2 >"$log/build" 2>&1 || { cat "$log/build"; exit 1; }
killed=0 survived=0 tried=0
survivors=()
for i in "${!names[@]}"; do
    name=${names[i]} file=$work/src/${files[i]}
    [[ $wanted != "  " && $wanted != *" $name "* ]] && continue
    cp "$source_dir/${files[i]}" "$file"
    if ! apply "$i" "$file"; then
        echo "$name: does not apply"
        exit 1
    fi
    tried=$((tried + 1))
    rm -f "$log/$name".*
    if ! cmake --build "$build" -j2 >"$log/$name.build" 2>&1; then
        result="killed (does not build)"
        killed=$((killed + 1))
    elif suite_passes "$name"; then
        result=SURVIVED
        survived=$((survived + 1))
        survivors+=("$name")
    else
        failed=$(grep -ohE '[0-9]+ - [A-Za-z0-9_]+' "$log/$name".* | head -1 | sed 's/^[0-9]* - //')
        result="killed by ${failed:-the suite}"
        killed=$((killed + 1))
    fi
    cp "$source_dir/${files[i]}" "$file"
    echo "$name: $result"
done
# The copy is left unmutated for the next run.
cmake --build "$build" -j2 >"$log/build" 2>&1 || true
echo "killed $killed of $tried ($((tried ? killed * 100 / tried : 0))%)${survivors:+; survivors: ${survivors[*]}}"
