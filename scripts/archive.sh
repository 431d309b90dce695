# Sourced: archives that come out the same, byte for byte, from the same commit. Every file gets
# the commit's time (or SOURCE_DATE_EPOCH's), the same mode for the same kind, no owner, and the
# archive lists them in name order.

# The time to give every file: SOURCE_DATE_EPOCH, else the commit's.
archive_epoch() {
    if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
        echo "$SOURCE_DATE_EPOCH"
    else
        git -C "$(dirname "${BASH_SOURCE[0]}")" log -1 --format=%ct 2>/dev/null ||
            { echo "archive: not a git clone: set SOURCE_DATE_EPOCH to the time to give the files" >&2; return 1; }
    fi
}

# Gives every file and folder under DIR (DIR too) a fixed mode and time.
normalise_tree() { # DIR
    local epoch
    epoch=$(archive_epoch) || return 1
    find "$1" -type d -exec chmod 755 {} + &&
        find "$1" -type f -perm /u+x -exec chmod 755 {} + &&
        find "$1" -type f ! -perm /u+x -exec chmod 644 {} + &&
        find "$1" -exec touch -h -d "@$epoch" {} +
}

# Writes ZIP holding FOLDER, which lies in PARENT, as "FOLDER/...".
zip_folder() { # PARENT FOLDER ZIP
    local zip
    zip=$(realpath -m "$3")
    normalise_tree "$1/$2" || return 1
    rm -f "$zip"
    # zip keeps times in local time: UTC, so that the bytes do not depend on the machine's zone.
    (cd "$1" && find "$2" -print | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$zip")
}

# Writes TAR_GZ holding FOLDER, which lies in PARENT, as "FOLDER/...".
tar_folder() { # PARENT FOLDER TAR_GZ
    local epoch
    epoch=$(archive_epoch) || return 1
    normalise_tree "$1/$2" || return 1
    tar -C "$1" --sort=name --mtime="@$epoch" --owner=0 --group=0 --numeric-owner --format=gnu \
        -cf - "$2" | gzip -9 -n >"$3"
}
