#include "platform/paths.h"

#include <cctype>

namespace plat {
namespace {

bool SameName(CodePage& text, const std::string& a, const std::string& b) {
  return text.CompareNoCase(a, b) == 0;
}

}  // namespace

std::vector<std::string> PathNames(CodePage& text, const std::string& path) {
  std::vector<std::string> names(1);
  for (size_t i = 0; i < path.size();) {
    const bool pair = text.IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size();
    if (!pair && path[i] == '\\') {
      names.emplace_back();
      ++i;
      continue;
    }
    names.back().append(path, i, pair ? 2 : 1);
    i += pair ? 2 : 1;
  }
  return names;
}

namespace {

bool IsDrive(const std::string& name) {
  return name.size() == 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]));
}

// The names of a full path as the system resolves it before it looks at the disk: '/' is a
// separator too, runs of separators count as one, "." goes, ".." takes the name before it
// away, a name followed by more loses one trailing dot, and the last name loses all its
// trailing dots and blanks. '/' is never the trail byte of a double-byte character.
bool ResolvedNames(CodePage& text, const std::string& path, std::vector<std::string>* out) {
  std::string slashed = path;
  for (size_t i = 0; i < slashed.size(); ++i) {
    if (text.IsLeadByte(static_cast<unsigned char>(slashed[i])) && i + 1 < slashed.size()) {
      ++i;
    } else if (slashed[i] == '/') {
      slashed[i] = '\\';
    }
  }
  const std::vector<std::string> names = PathNames(text, slashed);
  if (names.size() < 2 || !IsDrive(names[0])) return false;
  out->assign(1, names[0]);
  for (size_t n = 1; n < names.size(); ++n) {
    std::string name = names[n];
    const bool last = n + 1 == names.size();
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (out->size() > 1) out->pop_back();
      continue;
    }
    if (!last && name.back() == '.') {
      name.pop_back();
    } else if (last) {
      while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
      if (name.empty()) continue;
    }
    out->push_back(name);
  }
  return true;
}

// Names compared one by one: resolved when both are full paths, as spelled otherwise (key
// paths, whose names may well end in a dot).
bool ComparableNames(CodePage& text, const std::string& a, const std::string& b,
                     std::vector<std::string>* x, std::vector<std::string>* y) {
  if (ResolvedNames(text, a, x) && ResolvedNames(text, b, y)) return true;
  *x = PathNames(text, a);
  *y = PathNames(text, b);
  return false;
}

}  // namespace

bool ResolvePath(CodePage& text, const std::string& path, std::string* resolved) {
  std::vector<std::string> names;
  if (!ResolvedNames(text, path, &names)) return false;
  std::string joined = names[0];
  for (size_t n = 1; n < names.size(); ++n) joined += "\\" + names[n];
  if (names.size() == 1) joined += "\\";
  *resolved = joined;
  return true;
}

bool IsPlainPath(CodePage& text, const std::string& path) {
  std::vector<std::string> names;
  if (!ResolvedNames(text, path, &names) || names.size() < 2) return false;
  for (size_t n = 1; n < names.size(); ++n) {
    const std::string& name = names[n];
    // What stays at the end of a name that is not the last: the system keeps it, and no
    // installation of ours makes such a folder.
    if (name.back() == '.' || name.back() == ' ') return false;
    for (size_t i = 0; i < name.size();) {
      const unsigned char c = static_cast<unsigned char>(name[i]);
      if (text.IsLeadByte(c) && i + 1 < name.size()) {
        i += 2;
        continue;
      }
      if (c < 0x20 || std::string(":*?\"<>|").find(static_cast<char>(c)) != std::string::npos)
        return false;
      ++i;
    }
  }
  return true;
}

bool SamePath(CodePage& text, const std::string& a, const std::string& b) {
  std::vector<std::string> x, y;
  ComparableNames(text, a, b, &x, &y);
  if (x.size() != y.size()) return false;
  for (size_t i = 0; i < x.size(); ++i) {
    if (!SameName(text, x[i], y[i])) return false;
  }
  return true;
}

bool IsBelow(CodePage& text, const std::string& folder, const std::string& path) {
  std::vector<std::string> f, p;
  ComparableNames(text, folder, path, &f, &p);
  if (p.size() <= f.size()) return false;
  for (size_t i = 0; i < f.size(); ++i) {
    if (!SameName(text, f[i], p[i])) return false;
  }
  return true;
}

std::string FolderOf(CodePage& text, const std::string& path) {
  const size_t slash = text.LastBackslash(path);
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string FileNameOf(CodePage& text, const std::string& path) {
  const size_t slash = text.LastBackslash(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace plat
