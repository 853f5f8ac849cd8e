// The GBK to UTF-8 conversion of velmira-cli, on the core's own message templates. The expected
// text is written as u8 literals, which stay UTF-8 whatever the narrow execution charset.
#include <gtest/gtest.h>

#include <string>

#include "record/file_messages.h"
#include "tools/text_encoding.h"

namespace velmira {
namespace cli {
namespace {

std::string Utf8(const char* gbk) {
  std::string out = "(unchanged)";
  EXPECT_TRUE(GbkToUtf8(gbk, &out)) << "cannot convert " << gbk;
  return out;
}

TEST(TextEncoding, EveryFileMessageTemplateBecomesUtf8) {
  EXPECT_EQ(Utf8(kCannotCreateFile), u8"不能创建文件%s.");
  EXPECT_EQ(Utf8(kCannotWriteFile), u8"不能写入文件%s.");
  EXPECT_EQ(Utf8(kCannotOpenFile), u8"不能找到或打开文件%s.");
  EXPECT_EQ(Utf8(kNotStandardFile), u8"文件%s不是标准的Velmira文件.");
  EXPECT_EQ(Utf8(kNotSupportedFile), u8"文件%s不是被支持的Velmira文件.");
  EXPECT_EQ(Utf8(kCannotReadFile), u8"不能读取文件%s.");
}

TEST(TextEncoding, TheTemplatesReallyAreGbk) {
  // "文" is CE C4 in GBK: the core was built with the GBK execution charset.
  EXPECT_EQ(std::string(kNotStandardFile).substr(0, 2), "\xCE\xC4");
}

TEST(TextEncoding, AsciiAndEmptyTextStayAsTheyAre) {
  EXPECT_EQ(Utf8("plain ASCII, 0-9 %s."), "plain ASCII, 0-9 %s.");
  EXPECT_EQ(Utf8(""), "");
}

TEST(TextEncoding, InvalidGbkIsRefusedAndLeavesTheOutputAlone) {
  std::string out = "before";
  EXPECT_FALSE(GbkToUtf8("abc\x81", &out));  // a lead byte without its second byte
  EXPECT_EQ(out, "before");
  EXPECT_FALSE(GbkToUtf8("\xFF\xFF", &out));  // not a GBK character
  EXPECT_EQ(out, "before");
}

TEST(TextEncoding, ArgumentsOnLinuxAreAlreadyUtf8) {
  EXPECT_EQ(ArgumentToUtf8(u8"乐曲/ode.qji"), u8"乐曲/ode.qji");
}

}  // namespace
}  // namespace cli
}  // namespace velmira
