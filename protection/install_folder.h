#pragma once
// The install command's folders. Before anything is written: what stands in the way of the
// install folder (a link on the way, or a level that is not ours and that someone else owns or
// may replace). Then, once the user has accepted that, the folders made ready: each level the
// program makes is made with the program folder's descriptor in the create call; the folders an
// earlier installation made are given it; the product sub-folder is an administrator's alone,
// moved aside and made anew when it was not.
#include <string>
#include <vector>

#include "protection/levels.h"
#include "platform/platform.h"

namespace protection {

struct Assessment {
  Finding finding;                     // what stands in the way, if anything
  std::vector<std::string> toProtect;  // earlier installations' folders, to be protected
};

// Read only. product: the install folder with its product sub-folder, as the install command
// has it; ours: the folders earlier installations made (their record says so), which are given
// the program's list rather than refused. A link on the way or as the product sub-folder is a
// kLink finding.
Assessment AssessInstallFolder(plat::Platform& platform, const std::string& product,
                               const std::vector<std::string>& ours);

// folder: the install folder's text without its trailing backslash; product: with the product
// sub-folder. Protects what the assessment found to be ours; then from the drive's root down,
// judges every level of the install folder on its handle and makes every missing one relative
// to the handle of the level above, under the program's list; then the product sub-folder. False,
// with why, when a level cannot be made, or is a link, or is one that someone else may replace
// and the user has not accepted (such as one made by someone else since the assessment), or the
// product sub-folder is not an administrator's alone and cannot be moved aside and made anew.
bool PrepareInstallFolder(plat::Platform& platform, const std::string& folder,
                          const std::string& product, const Assessment& assessment,
                          Finding* why);

}  // namespace protection
