// BIOS version and date from an image file and from a controller's chip, with the
// port speeds and description discovery recorded.
#include <cstring>
#include <string>

#include "tests/cfgprobe/controller_fixture.h"

namespace cfgprobe_test {
namespace {

// An image with its version text at V and its date text at D.
std::vector<std::uint8_t> imageWith(std::uint8_t v, const std::string& version, std::uint8_t d,
                                    const std::string& date) {
  std::vector<std::uint8_t> image(0x200, 0x00);
  image[0x22] = v;
  image[0x24] = d;
  std::memcpy(image.data() + v, version.data(), version.size());
  std::memcpy(image.data() + d, date.data(), date.size());
  return image;
}

class BiosProperties : public ControllerTest {
 protected:
  // Reads the properties from a file holding image, or from a controller's chip.
  int read(bool fromChip, const std::vector<std::uint8_t>& image, BIOSPROPERTYDATA* data) {
    if (!fromChip) {
      writeHostFile("bios.bin", image);
      return KX_GetBiosFileInfo("C:\\Tools\\bios.bin", data);
    }
    addController(3, 0, 0, image);
    EXPECT_EQ(search(), 1);
    return KX_GetBiosInfo(1, data);
  }
};

class FromEitherSource : public BiosProperties, public ::testing::WithParamInterface<bool> {};

TEST_P(FromEitherSource, VersionAndDateDigits) {
  BIOSPROPERTYDATA data{};
  ASSERT_EQ(read(GetParam(), imageWith(0x60, "7.3.15", 0x80, "10/27/2010"), &data), 1);
  EXPECT_EQ(data.nMajorVersion, 7);
  EXPECT_EQ(data.nMinorVersion, 3);
  EXPECT_EQ(data.nRevision, 15);
  EXPECT_EQ(data.nMonth, 10);
  EXPECT_EQ(data.nDay, 27);
  EXPECT_EQ(data.nYear, 2010);
}

TEST_P(FromEitherSource, BothPointersErasedIsNoImage) {
  BIOSPROPERTYDATA data{};
  std::vector<std::uint8_t> blank(0x200, 0xFF);
  EXPECT_EQ(read(GetParam(), blank, &data), -151);
}

TEST_P(FromEitherSource, NonDigitIsTakenAsItsDistanceFromZero) {
  BIOSPROPERTYDATA data{};
  ASSERT_EQ(read(GetParam(), imageWith(0x60, "/.3.15", 0x80, "10/27/2010"), &data), 1);
  // The file gives the signed difference, the chip its low 8 bits.
  EXPECT_EQ(data.nMajorVersion, GetParam() ? 255 : -1);
}

INSTANTIATE_TEST_SUITE_P(Sources, FromEitherSource, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Chip" : "File"; });

TEST_F(BiosProperties, VersionPointerOfFFAloneReadsFrom255) {
  std::vector<std::uint8_t> image = imageWith(0x60, "", 0x80, "10/27/2010");
  image.resize(0x200, 0x00);
  image[0x22] = 0xFF;
  std::memcpy(image.data() + 0xFF, "4.1.02", 6);
  BIOSPROPERTYDATA data{};
  ASSERT_EQ(read(false, image, &data), 1);
  EXPECT_EQ(data.nMajorVersion, 4);
  EXPECT_EQ(data.nRevision, 2);
}

TEST_F(BiosProperties, FileArgumentsAndFailures) {
  BIOSPROPERTYDATA data{};
  data.nYear = 77;
  EXPECT_EQ(KX_GetBiosFileInfo(nullptr, nullptr), -201);
  EXPECT_EQ(KX_GetBiosFileInfo("C:\\Tools\\bios.bin", nullptr), -204);
  EXPECT_EQ(KX_GetBiosFileInfo("C:\\Tools\\missing.bin", &data), -200);
  writeHostFile("short.bin", {0x00, 0x01, 0x02});
  EXPECT_EQ(KX_GetBiosFileInfo("C:\\Tools\\short.bin", &data), -151);  // what it lacks reads as erased
  EXPECT_EQ(data.nYear, 77);
}

TEST_F(BiosProperties, ChipRecordCarriesSpeedsAndDescriptionEvenWhenBlank) {
  sim::SiI3132& controller = addController(3, 0, 0);
  controller.setSControl(0, 0x00000310);
  controller.setSControl(1, 0x00000320);
  ASSERT_EQ(search(), 1);
  BIOSPROPERTYDATA data{};
  data.nMajorVersion = 9;
  EXPECT_EQ(KX_GetBiosInfo(1, &data), -151);
  EXPECT_EQ(data.nPort0Speed, 1);
  EXPECT_EQ(data.nPort1Speed, 2);
  EXPECT_STREQ(data.szDescription, "Silicon Image SiI 3132 SATALink Controller");
  EXPECT_EQ(data.nMajorVersion, 9);
}

TEST_F(BiosProperties, ChipIndexRecordAndRegisterFailures) {
  addController(3, 0, 0, imageWith(0x60, "7.3.15", 0x80, "10/27/2010"));
  ASSERT_EQ(search(), 1);
  BIOSPROPERTYDATA data{};
  EXPECT_EQ(KX_GetBiosInfo(0, &data), -105);
  EXPECT_EQ(KX_GetBiosInfo(2, &data), -105);
  EXPECT_EQ(KX_GetBiosInfo(17, &data), -105);
  EXPECT_EQ(KX_GetBiosInfo(1, nullptr), -204);
  // The fourth flash read command (the minor version digit) fails: the major one stays.
  machine().accessDriver.failRequestsOf(0x9C40242C, 3, 1);
  EXPECT_EQ(KX_GetBiosInfo(1, &data), 0);
  EXPECT_EQ(data.nMajorVersion, 7);
  EXPECT_EQ(data.nMinorVersion, 0);
}

TEST_F(BiosProperties, DescriptionNeverFetchedIsCutToItsBuffer) {
  addController(3, 0, 0);
  machine().setup.findPci({3, 0, 0})->description = std::string(80, 'x');  // too long to be fetched
  ASSERT_EQ(search(), 1);
  BIOSPROPERTYDATA data{};
  KX_GetBiosInfo(1, &data);
  EXPECT_EQ(std::strlen(data.szDescription), 63u);
}

}  // namespace
}  // namespace cfgprobe_test
