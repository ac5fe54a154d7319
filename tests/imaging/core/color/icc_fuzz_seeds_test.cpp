// The seed profiles of the ICC fuzz target, built here byte by byte: a minimal grey monitor
// profile the colour system opens, and tag tables at the limits of text reading. The test
// checks what TPVICC reads from each and that fuzz/corpus/icc_profile holds exactly these
// bytes; with CALMORA_WRITE_FUZZ_SEEDS set it writes them there first.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "imaging/core/color/icc.h"
#include "tests/imaging/core/color/icc_text_model.h"
#include "tests/support/fuzz_seed_corpus.h"

namespace calmora {
namespace {

// Appends big-endian numbers, signatures and texts, and fills in offsets afterwards.
class ProfileBuilder {
 public:
  void Number(uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(uint8_t(value >> shift));
  }
  void Signature(const char* four) { bytes.insert(bytes.end(), four, four + 4); }
  void Text(const std::string& text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
  }
  void Zeros(size_t count) { bytes.resize(bytes.size() + count, 0); }
  void AlignTo4() { Zeros((4 - bytes.size() % 4) % 4); }
  void NumberAt(size_t at, uint32_t value) {
    for (int k = 0; k < 4; ++k) bytes[at + size_t(k)] = uint8_t(value >> (24 - 8 * k));
  }

  std::vector<uint8_t> bytes;
};

struct Tag {
  const char* signature;
  std::vector<uint8_t> data;
};

std::vector<uint8_t> TagData(const std::function<void(ProfileBuilder&)>& fill) {
  ProfileBuilder tag;
  fill(tag);
  return tag.bytes;
}

// A 128-byte header of a version 2 profile, the tag table, then the tags, each at a multiple
// of 4; the header's size field holds the whole length.
std::vector<uint8_t> BuildProfile(const char* deviceClass, const char* colourSpace,
                                  const std::vector<Tag>& tags) {
  ProfileBuilder profile;
  profile.Number(0);  // size, filled in below
  profile.Number(0);  // preferred CMM
  profile.Number(0x02100000);
  profile.Signature(deviceClass);
  profile.Signature(colourSpace);
  profile.Signature("XYZ ");
  profile.Zeros(12);  // date and time
  profile.Signature("acsp");
  profile.Zeros(24);  // platform, flags, manufacturer, model, attributes
  profile.Number(0);  // perceptual intent
  // The D50 illuminant in s15.16.
  profile.Number(0x0000F6D6);
  profile.Number(0x00010000);
  profile.Number(0x0000D32D);
  profile.Zeros(128 - profile.bytes.size());

  profile.Number(uint32_t(tags.size()));
  const size_t table = profile.bytes.size();
  profile.Zeros(12 * tags.size());
  for (size_t i = 0; i < tags.size(); ++i) {
    profile.AlignTo4();
    const size_t entry = table + 12 * i;
    std::memcpy(&profile.bytes[entry], tags[i].signature, 4);
    profile.NumberAt(entry + 4, uint32_t(profile.bytes.size()));
    profile.NumberAt(entry + 8, uint32_t(tags[i].data.size()));
    profile.bytes.insert(profile.bytes.end(), tags[i].data.begin(), tags[i].data.end());
  }
  profile.AlignTo4();
  profile.NumberAt(0, uint32_t(profile.bytes.size()));
  return profile.bytes;
}

std::vector<uint8_t> DescriptionTag(const std::string& text) {
  return TagData([&](ProfileBuilder& tag) {
    tag.Signature("desc");
    tag.Zeros(4);
    tag.Number(uint32_t(text.size() + 1));
    tag.Text(text);
    tag.Zeros(4 + 4 + 2 + 1 + 67);  // no Unicode and no Macintosh text
  });
}

std::vector<uint8_t> CopyrightTag(const std::string& text) {
  return TagData([&](ProfileBuilder& tag) {
    tag.Signature("text");
    tag.Zeros(4);
    tag.Text(text);
  });
}

struct Seed {
  const char* name;
  std::vector<uint8_t> bytes;
  bool opens;  // by the colour system
  test::ProfileTexts texts;
};

std::vector<Seed> Seeds() {
  const auto whitePoint = TagData([](ProfileBuilder& tag) {
    tag.Signature("XYZ ");
    tag.Zeros(4);
    tag.Number(0x0000F6D6);
    tag.Number(0x00010000);
    tag.Number(0x0000D32D);
  });
  const auto gamma = TagData([](ProfileBuilder& tag) {
    tag.Signature("curv");
    tag.Zeros(4);
    tag.Number(1);
    tag.bytes.push_back(0x02);  // gamma 2.2 in u8.8
    tag.bytes.push_back(0x33);
  });
  std::vector<Seed> seeds;
  seeds.push_back({"grey_monitor.icc",
                   BuildProfile("mntr", "GRAY",
                                {{"desc", DescriptionTag("Calmora grey")},
                                 {"cprt", CopyrightTag("No copyright")},
                                 {"wtpt", whitePoint},
                                 {"kTRC", gamma}}),
                   true,
                   {"No copyright", "Calmora grey"}});

  // A copyright text whose zero is the profile's very last byte, after a description too large
  // to be read, and a later description that replaces nothing.
  auto edge = BuildProfile("mntr", "GRAY",
                           {{"desc", std::vector<uint8_t>(1000, 'd')},
                            {"desc", DescriptionTag("second")},
                            {"cprt", CopyrightTag("last")}});
  while (edge.back() != 0 || edge[edge.size() - 2] != 't') edge.pop_back();
  seeds.push_back({"text_at_the_end.icc", edge, false, {"last", "second"}});

  // More entries than the table holds: the texts before the cut are still read.
  auto cut = BuildProfile("scnr", "RGB ", {{"cprt", CopyrightTag("kept")}});
  cut[131] = 3;
  seeds.push_back({"table_cut_short.icc", cut, false, {"kept", ""}});
  return seeds;
}

TEST(ICCFuzzSeeds, EachSeedReadsAsBuilt) {
  for (const Seed& seed : Seeds()) {
    TPVICC icc;
    icc.LoadFromBuffer(seed.bytes.data(), int32_t(seed.bytes.size()));
    EXPECT_EQ(icc.IsOpen(), seed.opens) << seed.name;
    EXPECT_EQ(icc.CprtText, seed.texts.Cprt) << seed.name;
    EXPECT_EQ(icc.DescText, seed.texts.Desc) << seed.name;
    EXPECT_EQ(test::ModelProfileTexts(seed.bytes.data(), seed.bytes.size()), seed.texts)
        << seed.name;
  }
  FreeColorSystemLibrary();
}

TEST(ICCFuzzSeeds, TheCorpusHoldsTheseSeeds) {
  test::SeedFiles files;
  for (const Seed& seed : Seeds()) files.emplace_back(seed.name, seed.bytes);
  test::ExpectSeedCorpus("icc_profile", files);
}

}  // namespace
}  // namespace calmora
