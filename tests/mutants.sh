#!/usr/bin/env bash
# Puts faults into a copy of the source one at a time, rebuilds and runs the test suite, and
# prints each fault the suite failed to notice. A tool for developers, not part of the test run:
#   bash tests/mutants.sh            every fault
#   bash tests/mutants.sh rename     only the faults whose description holds "rename"
set -uo pipefail
cd "$(dirname "$0")/.."
only=${1:-}
jobs=2

work=$(mktemp -d "${TMPDIR:-/tmp}/morvane-mutants-XXXXXX")
trap 'rm -rf "$work"' EXIT
# The working tree as it is, uncommitted changes included.
mkdir "$work/src"
git ls-files -z | tar -c --null -T - | tar -x -C "$work/src"

descriptions=() files=() olds=() news=()
# mutant FILE OLD NEW DESCRIPTION: OLD must occur exactly once in FILE.
mutant() { files+=("$1") olds+=("$2") news+=("$3") descriptions+=("$4"); }

mutant convert/common/source_words.cpp '  std::memset(bytes + got, 0, size - static_cast<std::size_t>(got));' '' \
  'short .cgx/.scr/.col: missing bytes not zero-filled'
mutant convert/characters.cpp '        file + CharacterBytes * character_at_sheet_tile(static_cast<unsigned>(tile));' \
  '        file + CharacterBytes * tile;' \
  'characters: each sheet tile made from the character of its own number'
mutant convert/bitmap_picture.cpp '  std::fill(std::begin(picture.colour_table), std::end(picture.colour_table), 0);' '' \
  'bitmap: colour table not cleared before a short table is read'
mutant convert/bitmap_picture.cpp '    if (size - start < picture.row_bytes * picture.row_count)' '    if (false)' \
  'bitmap: no check that the bytes hold every pixel byte'
mutant convert/bitmap_picture.cpp '    layout.pixel_start = offset;' '' \
  'bitmap layout: the pixels of a longer table or after a gap read straight after the table'
mutant convert/bitmap_picture.cpp 'if (offset >= table_end && offset < file_size)' \
  'if (offset >= table_end && offset < file_size && file_size - offset >= 128)' \
  'bitmap layout: an offset believed only where 128 bytes follow it (a cut file read from after its table)'
mutant convert/bitmap_picture.cpp 'if (offset >= table_end && offset < file_size)' 'if (offset >= table_end && offset <= file_size)' \
  'bitmap layout: an offset at the end of the file believed (an RLE file has no stream there)'
mutant convert/bitmap_picture.cpp 'if (offset >= table_end &&' 'if (offset >= layout.table_start &&' \
  'bitmap layout: an offset inside the full table believed'
mutant convert/bitmap_picture.cpp '  header.table_start = 14 + std::uint64_t{header_size};' \
  '  header.table_start = header_size == 108 || header_size == 124 ? 14 + header_size : 54;' \
  'bitmap layout: an OS/2 2.x table read at byte 54, inside the header'
mutant convert/bitmap_picture.cpp '14 + std::min<std::size_t>(header_size, InfoHeaderSize);' '14 + InfoHeaderSize;' \
  'bitmap layout: the fields past a short OS/2 2.x header read from the table'
mutant convert/bitmap_picture.cpp 'if (header.os2 && header.compression == CompressionHuffman1d)' 'if (false)' \
  'bitmap layout: OS/2 Huffman 1D read as plain rows'
mutant convert/bitmap_picture.cpp 'if (header.os2 && header.compression == CompressionRle24)' 'if (false)' \
  'bitmap layout: OS/2 RLE24 read as plain rows'
mutant convert/bitmap_picture.cpp '    header.entry_bytes = 3;' '    header.entry_bytes = 4;' \
  'bitmap layout: OS/2 1.x table entries taken as 4 bytes'
mutant convert/bitmap_picture.cpp '    header.width = read_u16(bytes + 18);' \
  '    header.width = static_cast<std::int32_t>(read_u32(bytes + 18));' \
  'bitmap layout: an OS/2 1.x width read as 32 bits'
mutant convert/bitmap_picture.cpp '  if (!header.os2 && header_size != InfoHeaderSize' '  if (false && header_size != InfoHeaderSize' \
  'bitmap layout: an unknown header size read from the classic offsets'
mutant convert/bitmap_picture.cpp '  if (!header.os2 && header_size != InfoHeaderSize && header_size != V4HeaderSize &&
      header_size != V5HeaderSize)' '  if (!header.os2 && header_size < InfoHeaderSize)' \
  'bitmap layout: an unknown header size of 40 or more read with the table after it'
mutant convert/bitmap_picture.cpp '    header.height = read_u16(bytes + 20);' \
  '    header.height = static_cast<std::int16_t>(read_u16(bytes + 20));' \
  'bitmap layout: an OS/2 1.x height of 32768 or more read as negative (top-down)'
mutant convert/bitmap_picture.cpp '52, 56, 60, 64}' '52, 56, 64}' \
  'bitmap layout: a 60-byte OS/2 2.x header refused'
# Not listed: dropping the early refusal of a file short of its pixel bytes. Here the source is
# mapped and a short one is refused before any of its pages is touched, so the fault costs
# nothing that can be seen; only the Windows program, which reads its source, would read it all.
mutant convert/bitmap_picture.cpp '  bool top_down = picture.height < 0;' '  bool top_down = false;' \
  'bitmap: a top-down file'"'"'s rows taken bottom-up'
mutant convert/bitmap_picture.cpp '    place_rows(picture.decoded.get(), picture);' '    place_rows(bytes + start, picture);' \
  'bitmap RLE: the compressed stream walked as the pixels'
mutant platform/platform_posix.cpp '  bytes.read_short = held != size;' '  bytes.read_short = false;' \
  'source bytes read: a file that held fewer taken as whole'
mutant platform/platform_posix.cpp '  std::memset(read + held, 0, size - held);' '' \
  'source bytes read: the bytes past the file'"'"'s end not zero'
mutant platform/platform_posix.cpp '  bool placed = to && closed && rename(name, to) == 0;' '  bool placed = to && closed;
  rename(name, to);' \
  'output: a failed rename reported as success'
mutant platform/platform_posix.cpp '  signal(SIGXFSZ, SIG_IGN);' '' \
  'output: SIGXFSZ left to end the program'
mutant platform/platform_posix.cpp '  remove_pending_output_on_interrupt();
' '' \
  'output: the temporary file left behind by the signals that end the program'
mutant platform/platform_posix.cpp 'InterruptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT}' 'InterruptSignals[] = {SIGINT, SIGTERM}' \
  'output: SIGHUP and SIGQUIT leave the temporary file behind'
mutant platform/platform_posix.cpp ' || action.sa_handler == SIG_IGN)' ')' \
  'output: a SIGHUP ignored under nohup caught, and the conversion ended by it'
mutant platform/platform_posix.cpp '  remove_stale_outputs();
' '' \
  'output: a killed conversion'"'"'s hidden file never removed'
mutant platform/platform_posix.cpp '(writer != self && (kill(writer, 0) == 0 || errno != ESRCH))' 'false' \
  'output: a live conversion'"'"'s temporary file removed by the next one'
mutant platform/platform_posix.cpp 'writer == 0 || (writer != self && ' 'writer == 0 || (' \
  'output: a hidden file of this process'"'"'s own number taken for a live one'"'"'s'
mutant platform/platform_posix.cpp ' && S_ISREG(info.st_mode))' ')' \
  'output: a link named like a temporary file removed'
mutant platform/temporary_name.cpp "(*from == '0' && end - from > 1)" 'false' \
  'output: a name with a leading zero taken for a temporary file'"'"'s'
mutant convert/common/output.cpp 'is_same_file(existing, output.source)' 'false' \
  'output: a source named like its output (through a link) replaced by it'
mutant platform/platform_posix.cpp '  if (lstat(name, &info) != 0)' '  if (stat(name, &info) != 0)' \
  'output: a link named like the output taken for the file it leads to'
# Not listed: reading the whole rest of an RLE file, however long. Where the source is mapped,
# as on Linux, the pages past the stream are never touched and cost no memory; only the read of
# a system without mapping (the Windows program) would hold them.
mutant platform/platform_posix.cpp '  if (sigaction(SIGBUS, &action, nullptr) != 0)
    return false;' '' \
  'source shrunk under its mapping: SIGBUS ends the program'
mutant platform/platform_posix.cpp '  watched_bytes = &bytes;' '' \
  'source shrunk under its mapping: the lost page taken for a fault of the program'"'"'s own'
mutant convert/bitmap.cpp '    return source_bytes_whole(bytes)' '    return true' \
  'source shrunk under its mapping: output made from the lost pixels'
mutant platform/platform_posix.cpp '  return lost_page == 0 && fstat(static_cast<int>(bytes.mapped_file), &info) == 0 &&
         static_cast<std::uint64_t>(info.st_size) >= bytes.size;' \
  '  return lost_page == 0;' \
  'source cut within its last page: output made from the zeros it reads as'
mutant platform/platform_posix.cpp ' || !is_regular_file(info)' '' \
  'source: a device accepted as a source'
mutant platform/platform_posix.cpp 'open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK)' 'open(path, O_RDONLY | O_CLOEXEC)' \
  'source: a FIFO opened blocking (hangs until the time limit)'
mutant convert/bitmap_rle.cpp 'count <= cursor.width - cursor.x' 'count < cursor.width - cursor.x' \
  'RLE: a run ending exactly at the row end refused'
mutant convert/bitmap_rle.cpp 'count <= cursor.width - cursor.x' 'count <= cursor.width - cursor.x + 1' \
  'RLE: a run one pixel past the row end accepted'
mutant convert/bitmap_rle.cpp 'right > width - cursor.x' 'right >= width - cursor.x' \
  'RLE: a delta ending exactly at the row end refused'
mutant convert/bitmap_rle.cpp '    if (length - position < 2)
      return 0;
    unsigned char count' '    if (length - position < 1)
      return 0;
    unsigned char count' \
  'RLE: a command cut off after its first byte read past the stream'
mutant convert/bitmap_rle.cpp '      if (length - position < 2)
        return 0;
      std::size_t right' '      std::size_t right' \
  'RLE: a delta cut off at the end of the stream read past it'
mutant convert/bitmap_rle.cpp '    if (code == EndOfBitmap)
      return position;' '    if (code == EndOfBitmap || length - position < 2)
      return position;' \
  'RLE: an escape cut off at the end of the stream taken as the end of the bitmap'
mutant convert/bitmap_rle.cpp 'std::memset(cursor.pixels + cursor.y * cursor.width + cursor.x, code, count)' 'std::memset(cursor.pixels + cursor.y * cursor.width, code, count)' \
  'RLE8: an encoded run stored at the start of its row'
mutant convert/bitmap_rle.cpp 'bytes[i / 2] >> 4 : bytes[i / 2] & 0x0F' 'bytes[i / 2] & 0x0F : bytes[i / 2] >> 4' \
  'RLE4: an absolute run'"'"'s nibbles in the wrong order'
mutant convert/common/text_writer.cpp '    std::memmove(writer.buffer, writer.buffer + WriterCapacity, writer.used);' '' \
  'writer: the text past a full block lost'
mutant convert/common/text_writer.cpp '    write_out(writer, WriterCapacity);
    writer.used -= WriterCapacity;' '    write_out(writer, writer.used);
    writer.used = 0;' \
  'writer: a block that is not whole handed to the file'
mutant convert/common/text_writer.cpp '  commit(writer, array_end ? p - 4 : p);' '  commit(writer, p);' \
  'writer: the array'"'"'s last character followed by ", " and a line end'
mutant convert/common/text_writer.cpp 'rest >= 10; rest /= 10)' 'rest > 10; rest /= 10)' \
  'writer: a decimal number that is a power of ten a digit short'
mutant convert/common/text_writer.cpp 'while (count < 16 && (value' 'while (count < 8 && (value' \
  'writer: a hexadecimal number past 32 bits cut short'
mutant convert/bitmap_text.cpp '  std::int32_t used = static_cast<std::int32_t>(picture.colours_used);' \
  '  std::int64_t used = picture.colours_used;' \
  'bitmap: a colours-used field past 2^31 printed unsigned'
mutant convert/common/output.cpp "(c >= 'A' && c <= 'Z')" "(c >= 'A' && c < 'Z')" \
  'array names: Z turned into _'
mutant convert/common/output.cpp "return c >= '0' && c <= '9';" "return c >= '0' && c <= ':';" \
  'array names: the : after 9 kept'
mutant convert/bitmap_text.cpp '    bytes = (bytes & 0x0F0F0F0F) << 4 | (bytes >> 4 & 0x0F0F0F0F);' '    bytes = (bytes & 0x0F0F0F0F) | (bytes >> 4 & 0x0F0F0F0F);' \
  '4-bit bitmap: a byte'"'"'s nibbles not traded'
mutant app/main_cli.cpp '    if (!return_to_kept_directory()) {' '    if (false) {' \
  'command line: a path taken from the previous source'"'"'s folder'
mutant app/main_cli.cpp 'if (count > 1 && !keep_working_directory())' 'if (count > 2 && !keep_working_directory())' \
  'command line: the second of exactly two paths taken from the first one'"'"'s folder'
mutant platform/platform_posix.cpp 'constexpr int DirectoryPlace = O_PATH;' 'constexpr int DirectoryPlace = O_RDONLY;' \
  'command line: a starting folder that may not be read lost after the first path'
mutant app/main_cli.cpp 'if (argc == 2 && (std::strcmp(argv[1], "--help") == 0' 'if ((std::strcmp(argv[1], "--help") == 0' \
  'command line: --help beside a path prints help and converts nothing'
mutant app/main_cli.cpp '    line = std::string(path) + ": ";' '    line.clear();' \
  'command line: a success line that names no file'
mutant app/main_cli.cpp '    write_line(stdout, line + "\n");' '    std::fputs((line + "\n").c_str(), stdout);' \
  'command line: success lines held back until the program ends'
mutant convert/common/hex_row.h '(high, low, 0, 16' '(low, high, 0, 16' \
  'writer: a tile row'"'"'s digits low before high (vector formatter)'
mutant convert/common/hex_row.h 'hex_pairs.digits[bytes[2 * i + 1]]' 'hex_pairs.digits[bytes[2 * i]]' \
  'writer: a value'"'"'s low byte formatted as its high one too (plain formatter)'

src=$work/src
build=$work/build
echo "== building the untouched copy"
if ! { cmake -S "$src" -B "$build" >/dev/null && cmake --build "$build" -j"$jobs" >/dev/null 2>&1 &&
       ctest --test-dir "$build" -j"$jobs" --timeout 120 >/dev/null; }; then
  echo "the untouched copy does not build or pass; nothing to compare with" >&2
  exit 1
fi

survivors=()
for i in "${!descriptions[@]}"; do
  description=${descriptions[$i]}
  [[ -n $only && $description != *"$only"* ]] && continue
  file=$src/${files[$i]}
  cp "$file" "$work/saved"
  if ! OLD=${olds[$i]} NEW=${news[$i]} python3 - "$file" <<'EOF'
import os, sys
path = sys.argv[1]
text = open(path, encoding="utf-8").read()
if text.count(os.environ["OLD"]) != 1:
    sys.exit(1)
open(path, "w", encoding="utf-8").write(text.replace(os.environ["OLD"], os.environ["NEW"]))
EOF
  then
    echo "NOT APPLIED  $description (the code has changed; update the fault)"
    survivors+=("$description (not applied)")
    continue
  fi
  if ! cmake --build "$build" -j"$jobs" >/dev/null 2>&1; then
    echo "NO BUILD     $description"
  elif ctest --test-dir "$build" -j"$jobs" --timeout 120 >/dev/null 2>&1; then
    echo "SURVIVED     $description"
    survivors+=("$description")
  else
    echo "caught       $description"
  fi
  cp "$work/saved" "$file"
  touch "$file"
done
cmake --build "$build" -j"$jobs" >/dev/null 2>&1

echo
if ((${#survivors[@]} == 0)); then
  echo "every fault was caught"
else
  echo "faults the suite did not catch:"
  printf '  %s\n' "${survivors[@]}"
  exit 1
fi
