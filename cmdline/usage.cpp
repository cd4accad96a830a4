#include "cmdline/usage.h"

namespace cmdline {
namespace {

const char* ProblemText(Problem problem) {
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
    case Problem::kMsiexecLog:
      return "本程序不使用msiexec的日志参数，请改用 /LOG=文件：";
    case Problem::kRelativeLog:
      return "日志文件须为完整路径（如C:\\Logs\\Velmar.log或\\\\服务器\\共享\\Velmar.log）：";
    case Problem::kNsisFolderNotLast:
      return "/D=目录须放在命令行的最后（其后的内容都算作目录）：";
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
         "/S：无提示安装，不显示任何窗口和消息框，\n"
         "        并在临时文件夹中写入日志\n"
         "        （/SILENT、/VERYSILENT、/Q、/QN、\n"
         "        /QUIET、/PASSIVE 同 /S）\n"
         "/DIR=目录：安装目录，默认C:\\Velmar，\n"
         "        含空格时加引号\n"
         "/D=目录：同 /DIR=，须放在最后，含空格\n"
         "        也不加引号\n"
         "/RELEASES=2008,2020：只服务这些版本，\n"
         "        默认为找到的全部版本\n"
         "/LOG=文件：将运行记录追加到UTF-8日志，\n"
         "        须为完整路径（msiexec的 /l*v 文件\n"
         "        请改用 /LOG=文件）\n"
         "/UNINSTALL：卸载\n"
         "/?：显示本说明（/HELP、-h 同 /?）\n"
         "/SUPPRESSMSGBOXES、/NORESTART、\n"
         "        /NOCANCEL、/SP-、/NOICONS、\n"
         "        /NORESTARTAPPLICATIONS：可以使用，\n"
         "        不改变任何行为\n"
         "参数也可以“-”开头，值也可以跟在“:”后\n\n"
         "退出代码：\n"
         "0 完成\n"
         "2 无可服务的AutoCAD版本\n"
         "4 未找到安装包\n"
         "6 部分卸载，未删除的项目见提示或日志\n"
         "7 安装包与本安装程序发布时的不一致，\n"
         "        未更改任何内容\n"
         "9 安装目录不安全，未写入任何内容\n"
         "1602 用户选择了“否”\n"
         "1603 拷贝文件或创建目录失败，安装已中止\n"
         "1605 未找到可卸载的安装\n"
         "1618 AutoCAD或另一个安装程序正在运行，\n"
         "        请稍后重试\n"
         "1622 无法写入日志文件\n"
         "1639 命令行有误\n"
         "3010 完成，余下的工作在重新启动计算机后完成";
}

std::string UsageErrorText(const Parsed& parsed, plat::CodePage& text) {
  std::string word;
  text.FromUtf16(parsed.word, &word);  // a character the code page cannot hold shows as '?'
  return std::string("命令行参数有误 !\n\n") + ProblemText(parsed.problem) + word + "\n\n" +
         UsageText();
}

std::string LogNotWritableText(const std::string& path, const std::string& why) {
  return "无法写入日志文件：" + path + "\n" + why + "。\n\n" + UsageText();
}

std::string ReleaseNotFoundText(int year) {
  return "未找到所选的AutoCAD" + std::to_string(year) + " !\n\n未安装任何文件。";
}

}  // namespace cmdline
