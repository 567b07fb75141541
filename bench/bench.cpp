// Times the real morvane program on large, deterministic inputs against the floor: writing the
// same output bytes, from a buffer filled before the clock starts, to a new file in 1 MiB
// writes. Program and floor runs alternate, each kind after one untimed run, and both start from
// a folder without the output, as a user's first conversion does. Prints wall and CPU time
// (median, min, max), the CPU-time ratio to the floor and the program's peak memory. An empty
// program linked the same way (morvane_bench_empty, beside the benchmark) runs in turn with
// them, and a small source's line gives the program's CPU time above it. It measures; it never
// fails on a time, but a floor slower than the program is flagged as the broken measurement it
// is. With --picture it gives morvane --picture's figure instead (see picture_figures).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/bitmap_file.h"
#ifdef MORVANE_PICTURE
#include "app/picture.h"
#include "platform/platform.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

// Bytes from a linear congruential generator started at seed.
Bytes make_noise(std::size_t size, std::uint32_t seed) {
  Bytes bytes(size);
  std::uint32_t state = seed;
  for (std::uint8_t &byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<std::uint8_t>(state >> 16);
  }
  return bytes;
}

// A classic-layout bitmap with a busy picture, so that no value repeats in a way a formatter
// could exploit.
Bytes make_busy_bitmap(int side, int bits) {
  BitmapFields fields;
  fields.width = side;
  fields.height = side;
  fields.bits = static_cast<std::uint16_t>(bits);
  for (std::uint32_t i = 0; i < 1u << bits; ++i)
    append_u32(fields.table, i * 0x010307u);
  fields.pixel_data = make_noise(static_cast<std::size_t>(side) * side * bits / 8, 12345);
  return make_bitmap(fields);
}

void write_file(const std::string &path, const Bytes &bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char *>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

struct Timing {
  double wall_ms;
  double cpu_ms;
  long peak_kib;
};

double cpu_ms(const rusage &usage) {
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Started with fork rather than posix_spawn: a child that shares the parent's memory until exec
// would report the parent's peak as its own.
Timing run_morvane(const std::string &program, const std::string &source,
                   const std::vector<std::string> &options = {}) {
  std::fflush(stdout);
  auto start = Clock::now();
  pid_t child = fork();
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<char *> arguments = {const_cast<char *>(program.c_str())};
    for (const std::string &option : options)
      arguments.push_back(const_cast<char *>(option.c_str()));
    arguments.push_back(const_cast<char *>(source.c_str()));
    arguments.push_back(nullptr);
    execv(program.c_str(), arguments.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  auto end = Clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed on %s\n", program.c_str(), source.c_str());
    std::exit(1);
  }
  return {std::chrono::duration<double, std::milli>(end - start).count(), cpu_ms(usage),
          usage.ru_maxrss};
}

// The output's bytes in a buffer filled, and so touched, before any time is taken: the
// program's buffer is reused, so the floor must not pay for fresh memory in its timed write.
Bytes read_touched(const std::string &path) {
  Bytes bytes(std::filesystem::file_size(path));
  int file = open(path.c_str(), O_RDONLY);
  std::size_t done = 0;
  while (file >= 0 && done < bytes.size()) {
    ssize_t got = read(file, bytes.data() + done, bytes.size() - done);
    if (got <= 0)
      break;
    done += static_cast<std::size_t>(got);
  }
  if (file < 0 || done != bytes.size())
    _exit(1);
  close(file);
  return bytes;
}

// Runs measure in a child process of its own, which fills the count figures and sends them
// back; when the child fails, the benchmark ends, saying what (failure) it could not do to path.
template <typename Measure>
void measure_in_child(const char *failure, const std::string &path, double *figures,
                      std::size_t count, Measure measure) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0)
    std::exit(1);
  auto size = static_cast<ssize_t>(count * sizeof *figures);
  std::fflush(stdout);
  pid_t child = fork();
  if (child == 0)
    _exit(measure(figures) && write(pipe_ends[1], figures, size) == size ? 0 : 1);
  close(pipe_ends[1]);
  bool received = read(pipe_ends[0], figures, size) == size;
  close(pipe_ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s %s\n", failure, path.c_str());
    std::exit(1);
  }
}

// The floor: the output's bytes, already in memory, written to a new file in 1 MiB writes. A
// child of its own holds the bytes, so that this process stays small for the program's runs;
// it times only the write, its CPU time taken around it, and sends both back.
Timing write_floor(const std::string &bytes_from, const std::string &path) {
  double times[2] = {0, 0};
  measure_in_child("cannot write", path, times, 2, [&](double *figures) {
    Bytes bytes = read_touched(bytes_from);
    unlink(path.c_str());
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    auto start = Clock::now();
    int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (file < 0)
      return false;
    constexpr std::size_t block = 1 << 20;
    for (std::size_t done = 0; done < bytes.size(); done += block) {
      std::size_t size = std::min(block, bytes.size() - done);
      if (write(file, bytes.data() + done, size) != static_cast<ssize_t>(size))
        return false;
    }
    close(file);
    auto end = Clock::now();
    getrusage(RUSAGE_SELF, &after);
    figures[0] = std::chrono::duration<double, std::milli>(end - start).count();
    figures[1] = cpu_ms(after) - cpu_ms(before);
    return true;
  });
  return {times[0], times[1], 0};
}

struct Spread {
  double median, min, max;
};

Spread spread(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return {values[values.size() / 2], values.front(), values.back()};
}

std::string shown(const Spread &values) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f (%.2f-%.2f)", values.median, values.min, values.max);
  return text;
}

#ifdef MORVANE_PICTURE
// What morvane --picture spends outside the PNG writer on the C file at path: holding the file,
// reading it and drawing the picture, in a child of its own, as a run starts with fresh memory.
// The milliseconds, sent back by the child.
double draw_outside_encoder(const std::string &path) {
  double ms = 0;
  measure_in_child("cannot draw", path, &ms, 1, [&path](double *figures) {
    auto start = Clock::now();
    SourceFile source;
    SourceBytes bytes;
    std::vector<PictureFile> files(1);
    DrawnPicture picture;
    std::size_t culprit;
    bool drawn =
        open_source(path.c_str(), SourceSharing::read, &source) &&
        hold_source_bytes(source, std::filesystem::file_size(path), bytes) == SourceHold::held &&
        read_picture_file(reinterpret_cast<const char *>(bytes.data), bytes.size, files[0])
                .result == ResultSuccess &&
        draw_picture(files, picture, culprit).result == ResultSuccess;
    figures[0] = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return drawn;
  });
  return ms;
}

// The least any drawing of the C file at path into a picture of pixels spends outside the PNG
// writer, in milliseconds: the file held as the drawing holds it and every one of its bytes read
// once (floor[0]), then the picture's fresh memory filled once (floor[1]). In a child of its own,
// as draw_outside_encoder is.
void drawing_floor(const std::string &path, std::size_t pixels, double (&floor)[2]) {
  measure_in_child("cannot read", path, floor, 2, [&](double *figures) {
    auto start = Clock::now();
    SourceFile source;
    SourceBytes bytes;
    if (!open_source(path.c_str(), SourceSharing::read, &source) ||
        hold_source_bytes(source, std::filesystem::file_size(path), bytes) != SourceHold::held)
      return false;
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i + 8 <= bytes.size; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes.data + i, 8);
      sum += word;
    }
    auto read = Clock::now();
    std::unique_ptr<std::uint8_t[]> picture(new std::uint8_t[3 * pixels]);
    std::memset(picture.get(), int(sum & 1), 3 * pixels);
    figures[0] = std::chrono::duration<double, std::milli>(read - start).count();
    figures[1] = std::chrono::duration<double, std::milli>(Clock::now() - read).count();
    // Read back, so that neither the sum nor the filling is left out by the compiler.
    return picture[pixels] <= 1;
  });
}

// morvane --picture's figure: for the 4096 x 4096 8-bit bitmap's C file, the wall time spent
// outside the PNG writer, against the program converting the bitmap and against the drawing's
// floor, and the whole --picture run for scale. The four take turns, after one untimed run of
// each.
void picture_figures(const std::string &program, const std::filesystem::path &folder, int runs) {
  std::string bitmap = (folder / "big8.bmp").string(), text = (folder / "big8.c").string();
  std::fflush(stdout);
  pid_t maker = fork();
  if (maker == 0) {
    write_file(bitmap, make_busy_bitmap(4096, 8));
    _exit(0);
  }
  waitpid(maker, nullptr, 0);
  std::vector<double> convert, draw, floor, fill, whole;
  for (int i = -1; i < runs; ++i) {
    // Each conversion starts without its output, as the conversion figures above do.
    std::filesystem::remove(text);
    double converted = run_morvane(program, bitmap).wall_ms, drawn = draw_outside_encoder(text);
    double least[2];
    drawing_floor(text, 4096 * 4096, least);
    double pictured =
        run_morvane(program, text, {"--picture", (folder / "big8.png").string()}).wall_ms;
    if (i >= 0) {
      convert.push_back(converted);
      draw.push_back(drawn);
      floor.push_back(least[0] + least[1]);
      fill.push_back(least[1]);
      whole.push_back(pictured);
    }
  }
  std::printf("big8.c (%.1f MB), wall ms: median (min-max) of %d runs\n",
              std::filesystem::file_size(text) / 1e6, runs);
  std::printf("  converting big8.bmp         %s\n", shown(spread(convert)).c_str());
  std::printf("  drawing, outside the writer %s\n", shown(spread(draw)).c_str());
  std::printf("  the drawing's floor         %s\n", shown(spread(floor)).c_str());
  std::printf("    of it, the picture memory %s\n", shown(spread(fill)).c_str());
  std::printf("  morvane --picture, whole    %s\n", shown(spread(whole)).c_str());
}
#endif

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: morvane_bench PATH-TO-MORVANE [--picture] [RUNS]\n");
    return 2;
  }
  std::string program = std::filesystem::absolute(argv[1]).string();
  std::string empty_program =
      (std::filesystem::absolute(argv[0]).parent_path() / "morvane_bench_empty").string();
  bool picture = argc > 2 && std::string(argv[2]) == "--picture";
  int runs = argc > 2 + picture ? std::max(1, std::atoi(argv[2 + picture])) : 5;
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "morvane-bench";
  std::filesystem::create_directories(folder);
  if (picture) {
#ifdef MORVANE_PICTURE
    picture_figures(program, folder, runs);
#else
    std::printf("this build draws no pictures: stb's image writer was missing\n");
#endif
    std::filesystem::remove_all(folder);
    return 0;
  }

  struct Input {
    const char *name;
    Bytes (*make)();
    std::size_t pixel_bytes;
  };
  const Input inputs[] = {
      {"big8.bmp", [] { return make_busy_bitmap(4096, 8); }, 4096u * 4096},
      {"big4.bmp", [] { return make_busy_bitmap(2048, 4); }, 2048u * 2048 / 2},
      {"sheet.cgx", [] { return make_noise(32768, 777); }, 0},
      {"screen.scr", [] { return make_noise(2048, 777); }, 0},
      {"colours.col", [] { return make_noise(512, 777); }, 0},
  };

  std::printf("times in ms: median (min-max)\n");
  std::printf("%-12s %8s %24s %24s %24s %24s %7s %s\n", "input", "output", "morvane wall",
              "floor wall", "morvane cpu", "floor cpu", "cpu x", "peak memory");
  bool broken = false;
  for (const Input &input : inputs) {
    std::string source = (folder / input.name).string();
    // A child makes and writes the input: a child forked from a large parent would count the
    // parent's pages in its peak memory and its time.
    std::fflush(stdout);
    pid_t maker = fork();
    if (maker == 0) {
      write_file(source, input.make());
      _exit(0);
    }
    waitpid(maker, nullptr, 0);
    std::string output = (folder / std::filesystem::path(input.name).stem()).string() + ".c";
    std::string floor_path = (folder / "floor.out").string();

    // The untimed runs: the program's also gives the bytes the floor writes.
    run_morvane(program, source);
    run_morvane(empty_program, source);
    double output_mb = std::filesystem::file_size(output) / 1e6;
    std::string floor_bytes = (folder / "floor.bytes").string();
    std::filesystem::copy_file(output, floor_bytes);
    write_floor(floor_bytes, floor_path);

    std::vector<double> wall, cpu, floor_wall, floor_cpu, empty_cpu;
    long peak = 0;
    for (int i = 0; i < runs; ++i) {
      std::filesystem::remove(output);
      Timing run = run_morvane(program, source);
      wall.push_back(run.wall_ms);
      cpu.push_back(run.cpu_ms);
      peak = std::max(peak, run.peak_kib);
      Timing floor = write_floor(floor_bytes, floor_path);
      floor_wall.push_back(floor.wall_ms);
      floor_cpu.push_back(floor.cpu_ms);
      empty_cpu.push_back(run_morvane(empty_program, source).cpu_ms);
    }
    std::filesystem::remove(floor_path);
    std::filesystem::remove(floor_bytes);
    Spread cpu_spread = spread(cpu), floor_cpu_spread = spread(floor_cpu);
    double peak_mib = peak / 1024.0;
    // Writing bytes already in memory cannot cost more than formatting and writing them: a floor
    // above the program means the measurement itself went wrong (a busy machine, say).
    char ratio[16] = "broken";
    if (floor_cpu_spread.median > cpu_spread.median)
      broken = true;
    else
      std::snprintf(ratio, sizeof ratio, "%.2fx",
                    floor_cpu_spread.median > 0 ? cpu_spread.median / floor_cpu_spread.median : 0);
    std::printf("%-12s %6.1fMB %24s %24s %24s %24s %7s %.1f MiB", input.name, output_mb,
                shown(spread(wall)).c_str(), shown(spread(floor_wall)).c_str(),
                shown(cpu_spread).c_str(), shown(floor_cpu_spread).c_str(), ratio, peak_mib);
    if (input.pixel_bytes)
      std::printf(" (pixels %.1f MiB + %.1f)", input.pixel_bytes / 1048576.0,
                  peak_mib - input.pixel_bytes / 1048576.0);
    else
      std::printf(", cpu %.2f over an empty program", cpu_spread.median - spread(empty_cpu).median);
    std::printf("\n");
  }
  // What any run costs before it converts anything: starting, and failing to open a file; and
  // what starting a program that does nothing costs, taken in turns with it.
  std::string missing = (folder / "missing.col").string();
  std::vector<double> start_cpu, empty_cpu;
  run_morvane(program, missing);
  run_morvane(empty_program, missing);
  for (int i = 0; i < runs; ++i) {
    start_cpu.push_back(run_morvane(program, missing).cpu_ms);
    empty_cpu.push_back(run_morvane(empty_program, missing).cpu_ms);
  }
  std::printf("%-12s %8s %24s %24s %24s\n", "(start-up)", "", "", "",
              shown(spread(start_cpu)).c_str());
  std::printf("%-12s %8s %24s %24s %24s\n", "(empty)", "", "", "",
              shown(spread(empty_cpu)).c_str());
  std::filesystem::remove_all(folder);
  if (broken)
    std::printf("broken: the floor took more CPU time than the program; measure again\n");
  return 0;
}
