#include "unattended/usage.h"

namespace unattended {
namespace {

const char* ProblemText(cmdline::Problem problem) {
  using cmdline::Problem;
  switch (problem) {
    case Problem::kUnknownArgument: return "无法识别的参数：";
    case Problem::kRepeatedArgument: return "参数重复：";
    case Problem::kMissingValue: return "参数缺少“=”和值：";
    case Problem::kEmptyValue: return "参数的值为空：";
    case Problem::kUnexpectedValue: return "该参数不带值：";
    case Problem::kBadRelease: return "版本列表有误（2007至2025的年份，用逗号分隔，如2008,2020）：";
    case Problem::kNotForUninstall: return "卸载不使用该参数：";
    case Problem::kUnclosedQuote: return "引号未闭合：";
    case Problem::kNotInCodePage: return "含有系统代码页无法表示的字符：";
    case Problem::kNone: break;
  }
  return "";
}

}  // namespace

// Short lines: a message box wraps long ones wherever its width ends.
std::string UsageText() {
  return "用法：\n"
         "SetUp.exe [/S] [/DIR=目录]\n"
         "        [/RELEASES=年份,...] [/LOG=文件]\n"
         "SetUp.exe /UNINSTALL [/S] [/LOG=文件]\n\n"
         "/S：无提示安装，不显示任何窗口\n"
         "/DIR=目录：安装目录，默认C:\\Velmar，\n"
         "        含空格时加引号\n"
         "/RELEASES=2008,2020：只服务这些版本，\n"
         "        默认为找到的全部版本\n"
         "/LOG=文件：将运行记录写入UTF-8日志\n"
         "/UNINSTALL：卸载\n"
         "/?：显示本说明\n\n"
         "退出代码：\n"
         "0 完成，1 命令行有误，\n"
         "2 无可服务的AutoCAD版本，\n"
         "3 AutoCAD正在运行，4 未找到安装包，\n"
         "5 文件拷贝失败";
}

std::string UsageErrorText(const cmdline::Parsed& parsed, plat::CodePage& text) {
  std::string word;
  text.FromUtf16(parsed.word, &word);  // a character the code page cannot hold shows as '?'
  return std::string("命令行参数有误 !\n\n") + ProblemText(parsed.problem) + word + "\n\n" +
         UsageText();
}

std::string LogNotWritableText(const std::string& path) {
  return "无法写入日志文件：" + path + "\n\n" + UsageText();
}

std::string ReleaseNotFoundText(int year) {
  return "未找到所选的AutoCAD" + std::to_string(year) + " !\n\n未安装任何文件。";
}

}  // namespace unattended
