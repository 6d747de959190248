// Writes the file tree that the installation scenarios install: files of
// 0, 4096, 4097 bytes and several MB, Shift-JIS text and random bytes from
// a fixed seed, nested folders with Japanese names (UTF-8, as the host names
// files), a read-only file, 300 small files in ten folders, and fixed times
// (last write 2001-02-03 04:05:06.1234567 UTC, last access in 2030 so that
// reading the files does not move it).   make_tree FOLDER
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>

namespace {

// Text (seed 0) or random bytes from the seed.
bool Write(const std::string& path, size_t size, unsigned seed, bool readOnly = false)
{
  const std::string words = "セットアップは次のフォルダにファイルをインストールします。\r\nsetup installs files\r\n";
  std::mt19937 random(seed);
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = seed ? static_cast<char>(random()) : words[i % words.size()];
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr || fwrite(data.data(), 1, size, file) != size || fclose(file) != 0) return false;
  const timespec times[2] = {{1893456000, 765432100}, {981173106, 123456700}};
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 && (!readOnly || chmod(path.c_str(), 0444) == 0);
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) return fprintf(stderr, "usage: make_tree FOLDER\n"), 2;
  const std::string root = argv[1];
  for (const char* folder : {"", "/docs", u8"/docs/深い", "/bin", "/many"}) mkdir((root + folder).c_str(), 0755);
  bool ok = Write(root + "/empty.txt", 0, 0) && Write(root + "/block.bin", 4096, 1) &&
            Write(root + "/block_plus_one.bin", 4097, 2) && Write(root + "/bin/large.bin", 3 * 1024 * 1024 + 17, 3) &&
            Write(root + "/docs/manual.txt", 200000, 0) && Write(root + u8"/docs/深い/表.txt", 100, 0) &&
            Write(root + "/docs/readonly.txt", 5000, 0, true) && Write(root + "/bin/helper.dll", 9000, 4);
  for (int d = 0; ok && d < 10; ++d) {
    const std::string folder = root + "/many/d0" + std::to_string(d);
    ok = mkdir(folder.c_str(), 0755) == 0;
    for (int f = 0; ok && f < 30; ++f) ok = Write(folder + "/f" + std::to_string(100 + f).substr(1) + ".txt", 40 + f, 5 + f);
  }
  if (!ok) perror(root.c_str());
  return ok ? 0 : 1;
}
