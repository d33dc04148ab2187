# Sourced, not run: fetches Debian packages, source or binary, from the
# archives the machine's own apt sources name (so a mirror or proxy is
# honoured), through a private apt configuration in a cache folder that leaves
# those sources as they are. Everything it says goes to standard error.
#
# debian_source CACHE PACKAGE VERSION [FOLDER]: unpacks the source package,
#   with Debian's patches applied, into FOLDER (CACHE/src/PACKAGE-VERSION
#   unless given) once, and prints that folder.
# debian_binary CACHE PACKAGE: unpacks the binary package the archive serves
#   into CACHE/deb/PACKAGE once, and prints that folder.

# The private apt configuration, its indexes read once per run.
_debian_apt() {
    local cache="$1" apt_dir="$1/apt"
    _DEBIAN_APT_OPTS=(-o Dir::Etc::sourcelist=/dev/null -o "Dir::Etc::sourceparts=$apt_dir/sources"
                      -o "Dir::State::Lists=$apt_dir/lists" -o APT::Get::List-Cleanup=0)
    [ "${_DEBIAN_APT_READ:-}" = "$cache" ] && return 0
    # The machine's binary package sources, each also as a source one, in
    # either of apt's two formats.
    rm -rf "$apt_dir/sources"
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/sources"
    local list parts
    for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$list" ] && sed -n 's/^[[:space:]]*deb[[:space:]]/&/p; s/^[[:space:]]*deb[[:space:]]/deb-src /p' "$list"
    done > "$apt_dir/sources/machine.list"
    for parts in /etc/apt/sources.list.d/*.sources; do
        [ -f "$parts" ] && awk 'BEGIN { RS = ""; ORS = "\n\n" }
            /(^|\n)Types:[^\n]*[[:space:]]deb([[:space:]]|$)/ && !/(^|\n)Enabled:[[:space:]]*no/ {
                sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb deb-src"); print }' "$parts"
    done > "$apt_dir/sources/machine.sources"
    apt-get "${_DEBIAN_APT_OPTS[@]}" update -qq >&2 ||
        { echo "apt could not read the package indexes above" >&2; return 1; }
    _DEBIAN_APT_READ="$cache"
}

debian_source() {
    local cache="$1" package="$2" version="$3"
    local src="${4:-$cache/src/$package-$version}"
    if [ ! -d "$src" ]; then
        echo "== $package $version sources through the machine's apt sources" >&2
        _debian_apt "$cache" || return 1
        mkdir -p "$cache/src"
        if ! (cd "$cache/src" &&
              apt-get "${_DEBIAN_APT_OPTS[@]}" source --download-only "$package=$version" >&2); then
            echo "The source of $package $version, the version installed, is not served any more." >&2
            echo "Bring the machine up to date first: apt-get update && apt-get upgrade" >&2
            return 1
        fi
        (cd "$cache/src" && rm -rf "$src.part" &&
            dpkg-source -x "${package}_${version#*:}.dsc" "$src.part" >&2 && mv "$src.part" "$src") ||
            return 1
    fi
    echo "$src"
}

debian_binary() {
    local cache="$1" package="$2"
    local dir="$cache/deb/$package"
    if [ ! -d "$dir" ]; then
        echo "== $package through the machine's apt sources" >&2
        _debian_apt "$cache" || return 1
        mkdir -p "$cache/deb"
        rm -rf "$dir.part" && mkdir "$dir.part"
        (cd "$dir.part" && apt-get "${_DEBIAN_APT_OPTS[@]}" download "$package" >&2 &&
            dpkg-deb -x ./*.deb . && rm ./*.deb && cd .. && mv "$dir.part" "$dir") || return 1
    fi
    echo "$dir"
}
