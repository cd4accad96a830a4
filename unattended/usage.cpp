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

std::string UsageText() {
  return "用法：\n"
         "SetUp.exe [/S] [/DIR=安装目录] [/RELEASES=2008,2020,...] [/LOG=日志文件]\n"
         "SetUp.exe /UNINSTALL [/S] [/LOG=日志文件]\n\n"
         "/S\t无提示安装：不显示任何窗口，服务所有找到的AutoCAD版本，默认安装到C:\\Velmar\n"
         "/DIR=\t安装目录，含空格时加引号；不带/S时填入安装路径框\n"
         "/RELEASES=\t要服务的AutoCAD版本，用逗号分隔\n"
         "/LOG=\t将本次运行的记录写入UTF-8日志文件\n"
         "/UNINSTALL\t卸载（以Uninstall.exe运行时亦然）\n"
         "/?\t显示本说明\n\n"
         "退出代码：0 完成，1 命令行有误，2 无可服务的AutoCAD版本，3 AutoCAD正在运行，"
         "4 未找到安装包，5 文件拷贝失败";
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
