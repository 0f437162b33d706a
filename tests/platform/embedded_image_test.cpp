#include "platform/embedded_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/host_services.h"

namespace mirbo {
namespace {

TEST(EmbeddedImage, IsTheImageFileOfTheBuildByteForByteAndNeverCopied) {
  std::ifstream file(MIRBO_IMAGE_FILE, std::ios::binary);
  ASSERT_TRUE(file) << MIRBO_IMAGE_FILE;
  const std::string expected((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());

  const auto host = MakeHostServices();
  FirmwareImage first, second;
  ASSERT_TRUE(host->LoadFirmwareImage(&first));
  ASSERT_TRUE(host->LoadFirmwareImage(&second));
  EXPECT_EQ(first.data, second.data) << "each load made a copy";
  EXPECT_EQ(first.data, EmbeddedFirmwareImage().data);
  ASSERT_EQ(first.size, expected.size());
  EXPECT_EQ(std::memcmp(expected.data(), first.data, expected.size()), 0);
}

TEST(EmbeddedImage, StandInHasTheFactoryImagesSizeAndSaysSo) {
  if (!MIRBO_BUILT_WITH_STAND_IN) GTEST_SKIP() << "built with a factory image";
  EXPECT_TRUE(EmbeddedImageIsStandIn());
  EXPECT_EQ(EmbeddedFirmwareImage().size, 11'075'588u);
}

}  // namespace
}  // namespace mirbo
