// Writes the file tree that the installation scenarios install: files of
// 0, 4096, 4097 bytes and several MB, text and random bytes from a fixed
// seed, nested folders with Japanese names, a read-only file, 300 small
// files in ten folders, and fixed
// times (last write 2001-02-03 04:05:06.1234567 UTC, last access in 2030 so
// that reading the files does not move it).
//
//   make_tree FOLDER
#include <cstdio>
#include <cstdint>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

const timespec LAST_WRITE = {981173106, 123456700};
const timespec LAST_ACCESS = {1893456000, 765432100};

bool Write(const std::string& path, const std::vector<unsigned char>& data, bool readOnly = false)
{
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = data.empty() || fwrite(data.data(), 1, data.size(), file) == data.size();
  if (fclose(file) != 0 || !ok) return false;
  const timespec times[2] = {LAST_ACCESS, LAST_WRITE};
  if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) return false;
  return !readOnly || chmod(path.c_str(), 0444) == 0;
}

std::vector<unsigned char> Random(size_t size, unsigned seed)
{
  std::mt19937 random(seed);
  std::vector<unsigned char> data(size);
  for (auto& b : data) b = static_cast<unsigned char>(random());
  return data;
}

std::vector<unsigned char> Text(size_t size)
{
  const std::string words = "セットアップは次のフォルダにファイルをインストールします。\r\nsetup installs files\r\n";
  std::vector<unsigned char> data;
  while (data.size() < size) data.insert(data.end(), words.begin(), words.end());
  data.resize(size);
  return data;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    fprintf(stderr, "usage: make_tree FOLDER\n");
    return 2;
  }
  const std::string root = argv[1];
  for (const char* folder : {"", "/docs", "/docs/深い", "/bin"}) mkdir((root + folder).c_str(), 0755);
  const bool ok = Write(root + "/empty.txt", {}) && Write(root + "/block.bin", Random(4096, 1)) &&
                  Write(root + "/block_plus_one.bin", Random(4097, 2)) &&
                  Write(root + "/bin/large.bin", Random(3 * 1024 * 1024 + 17, 3)) &&
                  Write(root + "/docs/manual.txt", Text(200000)) &&
                  Write(root + "/docs/深い/表.txt", Text(100)) &&
                  Write(root + "/docs/readonly.txt", Text(5000), true) &&
                  Write(root + "/bin/helper.dll", Random(9000, 4));
  bool many = mkdir((root + "/many").c_str(), 0755) == 0;
  for (int d = 0; many && d < 10; ++d) {
    char folder[32];
    snprintf(folder, sizeof folder, "/many/d%02d", d);
    many = mkdir((root + folder).c_str(), 0755) == 0;
    for (int f = 0; many && f < 30; ++f) {
      char name[48];
      snprintf(name, sizeof name, "%s/f%03d.txt", folder, f);
      const std::string text = std::string("file ") + name + "\r\n";
      many = Write(root + name, std::vector<unsigned char>(text.begin(), text.end()));
    }
  }
  if (!ok || !many) {
    perror(root.c_str());
    return 1;
  }
  return 0;
}
