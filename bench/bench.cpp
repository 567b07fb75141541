// Times the real morvane program on large, deterministic inputs against the floor: writing the
// same output bytes with plain buffered writes to the same folder. Prints medians, their ratio
// and the program's peak memory. It measures; it never fails on a time.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

void put_u16(Bytes &bytes, unsigned value) {
  bytes.push_back(static_cast<std::uint8_t>(value));
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put_u32(Bytes &bytes, std::uint32_t value) {
  put_u16(bytes, value & 0xFFFF);
  put_u16(bytes, value >> 16);
}

// A classic-layout bitmap with a busy picture, so that no value repeats in a way a formatter
// could exploit.
Bytes make_bitmap(int side, int bits) {
  std::uint32_t entries = 1u << bits;
  std::uint32_t pixel_bytes = static_cast<std::uint32_t>(side) * side * bits / 8;
  std::uint32_t offset = 54 + 4 * entries;
  Bytes bytes = {'B', 'M'};
  put_u32(bytes, offset + pixel_bytes);
  put_u32(bytes, 0);
  put_u32(bytes, offset);
  put_u32(bytes, 40);
  put_u32(bytes, static_cast<std::uint32_t>(side));
  put_u32(bytes, static_cast<std::uint32_t>(side));
  put_u16(bytes, 1);
  put_u16(bytes, static_cast<unsigned>(bits));
  for (int i = 0; i < 6; ++i)
    put_u32(bytes, 0);
  for (std::uint32_t i = 0; i < entries; ++i)
    put_u32(bytes, i * 0x010307u);
  std::uint32_t state = 12345;
  for (std::uint32_t i = 0; i < pixel_bytes; ++i) {
    state = state * 1103515245u + 12345u;
    bytes.push_back(static_cast<std::uint8_t>(state >> 16));
  }
  return bytes;
}

Bytes make_noise(std::size_t size) {
  Bytes bytes(size);
  std::uint32_t state = 777;
  for (std::uint8_t &byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<std::uint8_t>(state >> 16);
  }
  return bytes;
}

void write_file(const std::string &path, const Bytes &bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char *>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

struct ProcessRun {
  double wall_ms;
  double cpu_ms;
  long peak_kib;
};

// Started with fork rather than posix_spawn: a child that shares the parent's memory until exec
// would report the parent's peak as its own.
ProcessRun run_morvane(const std::string &program, const std::string &source) {
  std::fflush(stdout);
  auto start = Clock::now();
  pid_t child = fork();
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execl(program.c_str(), program.c_str(), source.c_str(), static_cast<char *>(nullptr));
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
  double cpu = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  return {std::chrono::duration<double, std::milli>(end - start).count(), cpu, usage.ru_maxrss};
}

// The floor: the output's bytes, already in memory, written with 64 KiB buffered writes.
double write_floor(const std::string &path, const Bytes &bytes) {
  auto start = Clock::now();
  std::FILE *file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  for (std::size_t done = 0; done < bytes.size(); done += 65536)
    std::fwrite(bytes.data() + done, 1, std::min<std::size_t>(65536, bytes.size() - done), file);
  std::fclose(file);
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: morvane_bench PATH-TO-MORVANE [RUNS]\n");
    return 2;
  }
  std::string program = std::filesystem::absolute(argv[1]).string();
  int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "morvane-bench";
  std::filesystem::create_directories(folder);

  struct Input {
    const char *name;
    Bytes (*make)();
    std::size_t pixel_bytes;
  };
  const Input inputs[] = {
      {"big8.bmp", [] { return make_bitmap(4096, 8); }, 4096u * 4096},
      {"big4.bmp", [] { return make_bitmap(2048, 4); }, 2048u * 2048 / 2},
      {"sheet.cgx", [] { return make_noise(32768); }, 0},
      {"screen.scr", [] { return make_noise(2048); }, 0},
      {"colours.col", [] { return make_noise(512); }, 0},
  };

  std::printf("%-12s %10s %10s %10s %8s %10s %12s\n", "input", "output", "morvane", "floor",
              "ratio", "cpu", "peak memory");
  for (const Input &input : inputs) {
    std::string source = (folder / input.name).string();
    // The input is written and let go before the runs: a child forked from a large parent
    // would count the parent's pages in its peak memory and its time.
    write_file(source, input.make());
    std::string output = (folder / std::filesystem::path(input.name).stem()).string() + ".c";
    std::vector<double> wall, cpu, floor;
    long peak = 0;
    for (int i = 0; i < runs; ++i) {
      ProcessRun run = run_morvane(program, source);
      wall.push_back(run.wall_ms);
      cpu.push_back(run.cpu_ms);
      peak = std::max(peak, run.peak_kib);
    }
    std::ifstream in(output, std::ios::binary);
    Bytes text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (int i = 0; i < runs; ++i)
      floor.push_back(write_floor((folder / "floor.out").string(), text));
    double peak_mib = peak / 1024.0;
    std::printf("%-12s %8.1fMB %8.2fms %8.2fms %7.2fx %8.2fms %8.1f MiB", input.name,
                text.size() / 1e6, median(wall), median(floor), median(wall) / median(floor),
                median(cpu), peak_mib);
    if (input.pixel_bytes)
      std::printf(" (pixels %.1f MiB + %.1f)", input.pixel_bytes / 1048576.0,
                  peak_mib - input.pixel_bytes / 1048576.0);
    std::printf("\n");
  }
  // What any run costs before it converts anything: starting, and failing to open a file.
  std::vector<double> start_cpu;
  for (int i = 0; i < runs; ++i)
    start_cpu.push_back(run_morvane(program, (folder / "missing.col").string()).cpu_ms);
  std::printf("%-12s %10s %10s %10s %8s %8.2fms\n", "(start-up)", "", "", "", "",
              median(start_cpu));
  std::filesystem::remove_all(folder);
  return 0;
}
