# Shared by the scripts that take screenshots on the private test desktop: a capture of the
# screen or of one window, taken with Mebo's own command-line capture, moved to "$out/NAME.png".
# Needs $mebo, $shots (a scratch folder) and $out.
snap() { # NAME [window-id]
    local file
    if [ -n "${2:-}" ]; then
        file=$("$mebo" capture window --window "$2" --save-dir "$shots")
    else
        file=$("$mebo" capture fullscreen --save-dir "$shots")
    fi
    mv "$file" "$out/$1.png"
}
