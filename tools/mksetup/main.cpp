// mksetup: builds a setup executable from a product manifest and the
// engine's image, and lists what a setup executable carries.
//
//   mksetup build product.toml -o setup.exe [--engine setup.exe] [--span]
//   mksetup list setup.exe
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include "payload/walk.h"
#include "tools/mksetup/manifest.h"
#include "tools/mksetup/payload_builder.h"
#include "tools/mksetup/payload_file.h"
#include "tools/mksetup/sources.h"
#include "tools/mksetup/text.h"
#include "tools/mksetup/volumes.h"

namespace {

int Build(const std::string& manifest, const std::string& output, const std::string& engine,
          const std::string& uninstaller, bool span, uint64_t volumeSize, bool quiet,
          const std::vector<std::string>& searchPath)
{
  Product product;
  std::string error;
  if (!LoadManifest(manifest, &product, &error, searchPath)) {
    fprintf(stderr, "mksetup: %s\n", error.c_str());
    return 1;
  }
  if (!uninstaller.empty()) {
    SourceFile file;
    if (!ReadSourceFile(uninstaller, &file, &error)) {
      fprintf(stderr, "mksetup: --uninstaller: %s\n", error.c_str());
      return 1;
    }
    product.Uninstaller = file.Data;
  }
  if (product.Uninstaller.empty()) {
    fprintf(stderr, "mksetup: %s: no uninstaller; give product.uninstaller or --uninstaller\n", manifest.c_str());
    return 1;
  }
  if (span) product.Spanned = true;
  if (volumeSize != 0) product.VolumeSize = volumeSize;

  Bytes image;
  std::ifstream in(engine, std::ios::binary);
  if (in) image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (image.size() < 64 || image[0] != 'M' || image[1] != 'Z') {
    fprintf(stderr, "mksetup: %s is not the engine's image (a Windows program)\n", engine.c_str());
    return 1;
  }
  const BuildResult built = BuildPayload(product, image.size());
  const std::filesystem::path folder = std::filesystem::path(output).parent_path();
  std::error_code ignored;
  if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
  std::vector<std::string> written;
  if (!WriteSetup(output, image, built.Payload, product.Spanned, product.VolumeSize, &written, &error)) {
    fprintf(stderr, "mksetup: %s\n", error.c_str());
    return 1;
  }
  if (!quiet) {
    printf("%s: payload %zu bytes, file data %llu bytes written as %llu (%s), %u units required\n",
           output.c_str(), built.Payload.size(), static_cast<unsigned long long>(built.BodyBytes),
           static_cast<unsigned long long>(built.EncodedBytes),
           (built.Flags & 0x0200) ? "stored" : "compressed", built.RequiredUnits);
    for (size_t i = 1; i < written.size(); ++i) printf("  volume %s\n", written[i].c_str());
  }
  return 0;
}

int List(const std::string& setup, bool raw)
{
  std::string error;
  if (!OpenPayloadFile(setup, &error)) {
    fprintf(stderr, "mksetup: %s\n", error.c_str());
    return 1;
  }
  // The engine's image ends where the payload starts (the DOS header word at 0x30).
  unsigned char word[4] = {};
  FILE* file = fopen(setup.c_str(), "rb");
  if (file != nullptr && fseek(file, 0x30, SEEK_SET) == 0 && fread(word, 1, 4, file) == 4)
    fprintf(stderr, "engine: %lu bytes\n", word[0] | word[1] << 8 | word[2] << 16 | static_cast<unsigned long>(word[3]) << 24);
  if (file != nullptr) fclose(file);
  std::string listing;
  const int whole = WalkPayload(&listing);
  fputs(raw ? listing.c_str() : FromSjis(listing).c_str(), stdout);
  if (!whole) {
    fprintf(stderr, "mksetup: %s: the payload cannot be read to its end%s%s\n", setup.c_str(),
            PayloadFaultText().empty() ? "" : ": ", PayloadFaultText().c_str());
    return 1;
  }
  if (!PayloadAtEnd()) {
    fprintf(stderr, "mksetup: %s: data follows the launch record\n", setup.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv)
{
  CLI::App app{"Builds setup executables from product manifests and lists their payloads."};
  app.require_subcommand(1);

  std::string manifest, output = "setup.exe", engine = MKSETUP_DEFAULT_ENGINE, uninstaller;
  bool span = false, quiet = false;
  uint64_t volumeSize = 0;
  CLI::App* build = app.add_subcommand("build", "Build a setup executable from a manifest");
  build->add_option("manifest", manifest, "Product manifest (TOML)")->required()->check(CLI::ExistingFile);
  build->add_option("-o,--output", output, "Setup executable to write");
  build->add_option("--engine", engine, "The engine's image (setup.exe without payload)");
  build->add_option("--uninstaller", uninstaller, "Uninstaller image, instead of the manifest's");
  build->add_flag("--span", span, "Spread the payload over continuation volumes");
  build->add_option("--volume-size", volumeSize, "Bytes per volume (default 1457664)")->check(CLI::Range(4096ull, 0xFFFFFFFFull));
  build->add_flag("-q,--quiet", quiet, "Print nothing on success");
  std::vector<std::string> searchPath;
  build->add_option("-I,--search-path", searchPath, "Folder for relative sources the manifest's folder lacks");

  std::string setup;
  bool raw = false;
  CLI::App* list = app.add_subcommand("list", "List the payload of a setup executable");
  list->add_option("setup", setup, "Setup executable")->required()->check(CLI::ExistingFile);
  list->add_flag("--raw", raw, "Print texts in Shift-JIS as stored");

  CLI11_PARSE(app, argc, argv);
  if (*build) return Build(manifest, output, engine, uninstaller, span, volumeSize, quiet, searchPath);
  return List(setup, raw);
}
