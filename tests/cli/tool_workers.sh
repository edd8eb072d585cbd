# The five folder tools give the same lines and files with one worker or three
# (sourced by run_cli_tests.sh). Names collide (a.jpg, a.png, a.bmp all become
# a.<ext>), a file of that name waits in the target folder, a picture is broken.

W="$WORK/workers"
mkdir -p "$W/src/子" "$W/groups/一" "$W/groups/二" "$W/groups/三"
i=0
for p in mate_Storm lomiri_Wine mate_Garden mate_Wood lomiri_Bridge mate_LadyBird; do
    i=$((i + 1))
    convert-im6.q16 "$SAMPLES/photos/$p.jpg" -resize 240x240 "$W/src/p$i.jpg"
done
convert-im6.q16 "$SAMPLES/photos/mate_Blinds.jpg" -resize 200x150 "$W/src/a.jpg"
convert-im6.q16 "$SAMPLES/photos/lomiri_sunset.jpg" -resize 150x200 "$W/src/a.png"
convert-im6.q16 "$SAMPLES/photos/lomiri_life.jpg" -resize 180x120 "$W/src/a.bmp"
convert-im6.q16 "$SAMPLES/photos/mate_TwoWings.jpg" -resize 160x160 "$W/src/子/b.jpg"
cp "$SAMPLES/broken/zero_bytes.jpg" "$W/src/坏.jpg"
for g in 一 二 三; do
    cp "$W/src/p1.jpg" "$W/groups/$g/1.jpg"; cp "$W/src/a.png" "$W/groups/$g/2.png"; cp "$W/src/a.bmp" "$W/groups/$g/3.bmp"
done
cp "$SAMPLES/broken/text_renamed.jpg" "$W/groups/二/4.jpg"

# The same names, and files equal byte for byte but for the time ImageMagick
# stamps into a PNG (date:create, date:modify): then the same size and pixels.
same_files() {
    [ "$(cd "$1" && find . | sort)" = "$(cd "$2" && find . | sort)" ] || return 1
    local f
    while IFS= read -r f; do
        cmp -s "$1/$f" "$2/$f" && continue
        [ "$(stat -c %s "$1/$f")" = "$(stat -c %s "$2/$f")" ] &&
            [ "$(identify-im6.q16 -format '%#' "$1/$f")" = "$(identify-im6.q16 -format '%#' "$2/$f")" ] || return 1
    done < <(cd "$1" && find . -type f)
}

# tool | settings | source
while IFS='|' read -r tool settings source; do
    printf '%b' "$settings" >"$W/$tool.txt"
    for n in 1 3; do
        mkdir -p "$W/$tool-w$n"
        cp "$W/src/p1.jpg" "$W/$tool-w$n/a.png"  # a file the first a.png may not replace
        sub=(--subfolders); [ "$tool" = join ] && sub=()  # a join's groups are the sub-folders
        "$VELMORA" --tool "$tool" --settings "$W/$tool.txt" --workers $n "${sub[@]}" \
            --save-to "$W/$tool-w$n" "$W/$source" >"$W/$tool-out$n" 2>&1
        echo "exit $?" >>"$W/$tool-out$n"
        sed "s/$tool-w$n/OUT/g" "$W/$tool-out$n" >"$W/$tool-norm$n"
    done
    cmp -s "$W/$tool-norm1" "$W/$tool-norm3"
    check "workers: $tool prints the lines of one worker with three" 0 $?
    grep -q '^\[1/' "$W/$tool-out3"; check "workers: $tool ran" 0 $?
    same_files "$W/$tool-w1" "$W/$tool-w3"
    check "workers: $tool writes the files of one worker with three" 0 $?
done <<'EOF'
convert|convert_load_format_option=11\nconvert_format=PNG\n|src
png|png_zoom_status=1\npng_zoom_value=120\npng_png8=1\npng_png8_color_count=32\n|src
crop|crop_mode=1\ncrop_percent_width=50\ncrop_format=PNG\ncrop_transparent=0\n|src
join|join_layout=2\njoin_width_or_height_index=2\njoin_space=4\njoin_format=PNG\njoin_transparent=0\n|groups
slice|slice_horizontal=1\nslice_horizontal_avg_value=2\nslice_vertical=1\nslice_vertical_avg_value=3\nslice_format=PNG\nslice_save_html=1\n|src
EOF
grep -q 'a(2)\.png' "$W/convert-out3"; check "workers: colliding names numbered in list order" 0 $?
