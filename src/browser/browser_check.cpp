// Browser names, modes and messages of the running-browser check.
#include "browser/browser_check.h"

#include <string_view>

#include "engine/install_context.h"

bool IsBrowserImageName(const char16_t* imageName) {
  if (!imageName) return false;
  const std::u16string_view name(imageName);
  return name == u"firefox.exe" || name == u"chrome.exe";
}

bool ModeNeedsBrowserCheck(int32_t mode) {
  return mode == kModeInstall || mode == kModeRepair || mode == kModeUpgrade;
}

BrowserRefusal BrowserRefusalFor(bool browserRunning, uint32_t languageCode) {
  BrowserRefusal r;
  if (!browserRunning) return r;
  r.refuse = true;
  switch (languageCode) {
    case 0:
      r.text = u"检测程序发现有火狐或谷歌浏览器在运行，请关闭浏览器，重新运行安装";
      r.caption = u"错误";
      break;
    case 1:
      r.text =
          u"The detecion program found that FireFox or Google browse was running,please close "
          u"the browser and reinstall";
      r.caption = u"ERROR";
      break;
    case 2:
      r.text = u"檢測程序發現有火狐或谷歌瀏覽器在運行，請關閉瀏覽器，重新運行安裝";
      r.caption = u"錯誤";
      break;
    default:
      break;  // other languages end without a message
  }
  return r;
}
