// Writes the seed corpus of the fuzz targets from real scans:
//   make_seeds DIR   ->  DIR/template/*, DIR/fp_code/*, DIR/image/*
// Each seed starts with the targets' leading byte(s); see the targets' comments.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ProcTemp.h"
#include "tests/support/enrolment.h"
#include "tests/support/fingerprint_images.h"

namespace {

void write(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> with_lead(std::vector<unsigned char> lead,
                                     const std::vector<unsigned char>& body) {
  lead.insert(lead.end(), body.begin(), body.end());
  return lead;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds DIR\n");
    return 2;
  }
  const std::filesystem::path dir(argv[1]);
  ProcTemp p(0, 40);
  for (int finger : {102, 103}) {
    const std::string name = "db2b_" + std::to_string(finger);
    const test_images::Enrolment e = test_images::enrol(p, "fvc2002-db2b", finger);
    if (e.result == 1) write(dir / "template" / name, with_lead({1}, e.stored));
  }
  for (int finger : {101, 103}) {
    const std::string name = "db3b_" + std::to_string(finger) + "_3";
    test_images::GreyImage image =
        test_images::centred_window(test_images::scan("fvc2002-db3b", finger, 3), 300, 256);
    std::vector<unsigned char> code(12 + 8 * 4096);
    const short length = p.CreateFPCode(image.pixels.data(), 300, 256, code.data());
    if (length > 0) {
      code.resize(static_cast<std::size_t>(length));
      write(dir / "fp_code" / name, with_lead({1}, code));
    }
  }
  // Windows of odd sizes; the two size bytes are the sides less 16.
  struct Window {
    int finger;
    int width;
    int height;
  };
  for (const Window& w : {Window{101, 63, 47}, Window{102, 16, 79}, Window{103, 48, 48}}) {
    const std::string name = "db3b_" + std::to_string(w.finger) + "_" + std::to_string(w.width) +
                             "x" + std::to_string(w.height);
    test_images::GreyImage image = test_images::centred_window(
        test_images::scan("fvc2002-db3b", w.finger, 1), w.width, w.height);
    write(dir / "image" / name, with_lead({static_cast<unsigned char>(w.width - 16),
                                           static_cast<unsigned char>(w.height - 16), 0},
                                          image.pixels));
  }
  return 0;
}
