// The templates of the file errors; each holds one "%s" for the file name. GBK text.
#pragma once

namespace velmira {

inline constexpr char kCannotCreateFile[] = "不能创建文件%s.";
inline constexpr char kCannotWriteFile[] = "不能写入文件%s.";
inline constexpr char kCannotOpenFile[] = "不能找到或打开文件%s.";
inline constexpr char kNotStandardFile[] = "文件%s不是标准的Velmira文件.";
inline constexpr char kNotSupportedFile[] = "文件%s不是被支持的Velmira文件.";
inline constexpr char kCannotReadFile[] = "不能读取文件%s.";

}  // namespace velmira
