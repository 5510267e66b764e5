// The text of the starting script. Every text names the product through
// $(ProductName), so renaming it is one edit in SetupInfo.
#include "init_script.h"

namespace {

const char kTemplate[] = R"XML(<?xml version="1.0" encoding="UTF-8"?>
<!-- A setup script written by cxpack init.
     "cxpack help script" describes every element, list, text and variable;
     "cxpack lint" checks this file, "cxpack plan" shows what a run does. -->
<Config>
  <!-- The product's identity: all five are required. ProductCode names the
       entry in the system's list of installed programs. -->
  <SetupInfo>
    <ProductCode>@CODE@</ProductCode>
    <ProductName>@PRODUCT@</ProductName>
    <Publisher>@PUBLISHER@</Publisher>
    <Version>@VERSION@</Version>
    <InstallDir>$(pf32)\$(Publisher)\$(ProductName)</InstallDir>
  </SetupInfo>

  <!-- Variables of your own. Like the SetupInfo values and the system
       variables, each is used by a reference such as $(InstallDir) anywhere
       in this file, comments included. -->
  <CustomInfo>
    <UninstallKey>SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\$(ProductCode)</UninstallKey>
  </CustomInfo>

  <!-- The wizard's texts, each in the three languages. -->
  <CustomString>
    <IDS_MAIN_UI_INSTALL_TITLE>
      <zh_cn>$(ProductName) 安装程序</zh_cn>
      <en_us>$(ProductName) Setup</en_us>
      <zh_tw>$(ProductName) 安裝程式</zh_tw>
    </IDS_MAIN_UI_INSTALL_TITLE>
    <IDS_MAIN_UI_UNINSTALL_TITLE>
      <zh_cn>$(ProductName) 卸载程序</zh_cn>
      <en_us>$(ProductName) Uninstall</en_us>
      <zh_tw>$(ProductName) 解除安裝程式</zh_tw>
    </IDS_MAIN_UI_UNINSTALL_TITLE>
    <IDS_WELCOME_INSTALL>
      <zh_cn>欢迎使用 $(ProductName) 安装程序。点击“安装”将 $(ProductName) 安装到您的计算机上。</zh_cn>
      <en_us>Welcome to $(ProductName) Setup. Click Install to install $(ProductName) on your computer.</en_us>
      <zh_tw>歡迎使用 $(ProductName) 安裝程式。按一下「安裝」將 $(ProductName) 安裝到您的電腦上。</zh_tw>
    </IDS_WELCOME_INSTALL>
    <IDS_WELCOME_UNINSTALL>
      <zh_cn>本程序将从您的计算机上卸载 $(ProductName)。点击“卸载”继续。</zh_cn>
      <en_us>This removes $(ProductName) from your computer. Click Uninstall to continue.</en_us>
      <zh_tw>本程式將從您的電腦移除 $(ProductName)。按一下「解除安裝」繼續。</zh_tw>
    </IDS_WELCOME_UNINSTALL>
    <IDS_BTN_INSTALL>
      <zh_cn>安装</zh_cn>
      <en_us>Install</en_us>
      <zh_tw>安裝</zh_tw>
    </IDS_BTN_INSTALL>
    <IDS_BTN_CANCEL>
      <zh_cn>取消</zh_cn>
      <en_us>Cancel</en_us>
      <zh_tw>取消</zh_tw>
    </IDS_BTN_CANCEL>
    <IDS_BTN_UNINSTALL>
      <zh_cn>卸载</zh_cn>
      <en_us>Uninstall</en_us>
      <zh_tw>解除安裝</zh_tw>
    </IDS_BTN_UNINSTALL>
    <!-- So spelt: the key the program looks up. -->
    <IDS_BTN_FININSH>
      <zh_cn>完成</zh_cn>
      <en_us>Finish</en_us>
      <zh_tw>完成</zh_tw>
    </IDS_BTN_FININSH>
    <IDS_INSTANCE_EXISTED>
      <zh_cn>$(ProductName) 安装程序已在运行。</zh_cn>
      <en_us>$(ProductName) Setup is already running.</en_us>
      <zh_tw>$(ProductName) 安裝程式已在執行中。</zh_tw>
    </IDS_INSTANCE_EXISTED>
    <IDS_INSTAL_HIGHER_WARNING>
      <zh_cn>您的计算机上已安装更高版本的 $(ProductName)，无需安装此版本。</zh_cn>
      <en_us>A newer version of $(ProductName) is already installed. Setup will now close.</en_us>
      <zh_tw>您的電腦上已安裝較新版本的 $(ProductName)，無需安裝此版本。</zh_tw>
    </IDS_INSTAL_HIGHER_WARNING>
    <IDS_INSTAL_EQUAL_WARNING>
      <zh_cn>您的计算机上已安装此版本的 $(ProductName)。如需重新安装，请先将其卸载。</zh_cn>
      <en_us>This version of $(ProductName) is already installed. To install it again, uninstall it first.</en_us>
      <zh_tw>您的電腦上已安裝此版本的 $(ProductName)。如需重新安裝，請先將其解除安裝。</zh_tw>
    </IDS_INSTAL_EQUAL_WARNING>
    <IDS_TIP_INSTALLING_PRODUCT>
      <zh_cn>正在安装 $(ProductName)，请稍候……</zh_cn>
      <en_us>Installing $(ProductName), please wait...</en_us>
      <zh_tw>正在安裝 $(ProductName)，請稍候……</zh_tw>
    </IDS_TIP_INSTALLING_PRODUCT>
    <IDS_TIP_UNINSTALLING_PRODUCT>
      <zh_cn>正在卸载 $(ProductName)，请稍候……</zh_cn>
      <en_us>Removing $(ProductName), please wait...</en_us>
      <zh_tw>正在解除安裝 $(ProductName)，請稍候……</zh_tw>
    </IDS_TIP_UNINSTALLING_PRODUCT>
    <IDS_INSTALL_OK>
      <zh_cn>$(ProductName) 已成功安装。点击“完成”退出安装程序。</zh_cn>
      <en_us>$(ProductName) has been installed. Click Finish to close Setup.</en_us>
      <zh_tw>$(ProductName) 已成功安裝。按一下「完成」結束安裝程式。</zh_tw>
    </IDS_INSTALL_OK>
    <IDS_UNINSTALL_OK>
      <zh_cn>$(ProductName) 已从您的计算机上卸载。点击“完成”退出。</zh_cn>
      <en_us>$(ProductName) has been removed from your computer. Click Finish to close.</en_us>
      <zh_tw>$(ProductName) 已從您的電腦移除。按一下「完成」結束。</zh_tw>
    </IDS_UNINSTALL_OK>
    <IDS_INSTALL_FAILED>
      <zh_cn>安装未能完成。请确认您拥有管理员权限，然后重新运行安装程序。</zh_cn>
      <en_us>Setup could not complete the installation. Make sure you have administrator rights, then run Setup again.</en_us>
      <zh_tw>安裝未能完成。請確認您擁有系統管理員權限，然後重新執行安裝程式。</zh_tw>
    </IDS_INSTALL_FAILED>
    <IDS_UNINSTALL_FAILED>
      <zh_cn>卸载未能完成。部分文件可能需要重新启动计算机后才能删除。</zh_cn>
      <en_us>The uninstallation could not be completed. Some files may be removed only after you restart your computer.</en_us>
      <zh_tw>解除安裝未能完成。部分檔案可能需要重新啟動電腦後才能刪除。</zh_tw>
    </IDS_UNINSTALL_FAILED>
    <IDS_SILENT_INSTALL_SUCCESSFULLY>
      <zh_cn>$(ProductName) 已安装到您的计算机上。</zh_cn>
      <en_us>$(ProductName) has been installed on your computer.</en_us>
      <zh_tw>$(ProductName) 已安裝到您的電腦上。</zh_tw>
    </IDS_SILENT_INSTALL_SUCCESSFULLY>
    <IDS_SILENT_INSTALL_FINISHED>
      <zh_cn>$(ProductName) 安装结束</zh_cn>
      <en_us>$(ProductName) Setup finished</en_us>
      <zh_tw>$(ProductName) 安裝結束</zh_tw>
    </IDS_SILENT_INSTALL_FINISHED>
    <IDS_NEED_ADMIN>
      <zh_cn>运行安装程序需要管理员权限。请右键单击安装程序，然后选择“以管理员身份运行”。</zh_cn>
      <en_us>Setup needs administrator rights. Right-click the setup program and choose Run as administrator.</en_us>
      <zh_tw>執行安裝程式需要系統管理員權限。請以滑鼠右鍵按一下安裝程式，然後選擇「以系統管理員身分執行」。</zh_tw>
    </IDS_NEED_ADMIN>
  </CustomString>

  <!-- The progress line of each action type: required for every type a
       list uses (without this section every run fails). -->
  <ActionDescString>
    <KillProcess>
      <zh_cn>正在结束进程 $[pname]</zh_cn>
      <en_us>Ending process $[pname]</en_us>
      <zh_tw>正在結束處理程序 $[pname]</zh_tw>
    </KillProcess>
    <StartProcess>
      <zh_cn>正在启动 $[src]</zh_cn>
      <en_us>Starting $[src]</en_us>
      <zh_tw>正在啟動 $[src]</zh_tw>
    </StartProcess>
    <File>
      <zh_cn>正在复制 $[src] 到 $[dest]</zh_cn>
      <en_us>Copying $[src] to $[dest]</en_us>
      <zh_tw>正在複製 $[src] 到 $[dest]</zh_tw>
    </File>
    <DelFile>
      <zh_cn>正在删除文件 $[src]</zh_cn>
      <en_us>Deleting file $[src]</en_us>
      <zh_tw>正在刪除檔案 $[src]</zh_tw>
    </DelFile>
    <DelDir>
      <zh_cn>正在删除文件夹 $[src]</zh_cn>
      <en_us>Deleting folder $[src]</en_us>
      <zh_tw>正在刪除資料夾 $[src]</zh_tw>
    </DelDir>
    <CreateShortcut>
      <zh_cn>正在创建快捷方式 $[path]</zh_cn>
      <en_us>Creating shortcut $[path]</en_us>
      <zh_tw>正在建立捷徑 $[path]</zh_tw>
    </CreateShortcut>
    <AddRegister>
      <zh_cn>正在写入注册表 $[path]</zh_cn>
      <en_us>Writing registry value $[path]</en_us>
      <zh_tw>正在寫入登錄值 $[path]</zh_tw>
    </AddRegister>
    <RunRegFile>
      <zh_cn>正在导入注册表文件 $[src]</zh_cn>
      <en_us>Importing registry file $[src]</en_us>
      <zh_tw>正在匯入登錄檔 $[src]</zh_tw>
    </RunRegFile>
    <DelRegister>
      <zh_cn>正在删除注册表项 $[path]</zh_cn>
      <en_us>Removing registry entry $[path]</en_us>
      <zh_tw>正在刪除登錄項目 $[path]</zh_tw>
    </DelRegister>
    <AddTrustedSite>
      <zh_cn>正在添加受信任的站点 $[url]</zh_cn>
      <en_us>Adding trusted site $[url]</en_us>
      <zh_tw>正在新增信任的網站 $[url]</zh_tw>
    </AddTrustedSite>
    <DelTrustedSite>
      <zh_cn>正在删除受信任的站点 $[url]</zh_cn>
      <en_us>Removing trusted site $[url]</en_us>
      <zh_tw>正在移除信任的網站 $[url]</zh_tw>
    </DelTrustedSite>
    <RegCertFile>
      <zh_cn>正在将证书 $[src] 导入 $[store] 存储区</zh_cn>
      <en_us>Adding certificate $[src] to the $[store] store</en_us>
      <zh_tw>正在將憑證 $[src] 匯入 $[store] 存放區</zh_tw>
    </RegCertFile>
    <UnRegCert>
      <zh_cn>正在从 $[store] 存储区删除 $[src] 证书</zh_cn>
      <en_us>Removing $[src] certificates from the $[store] store</en_us>
      <zh_tw>正在從 $[store] 存放區移除 $[src] 憑證</zh_tw>
    </UnRegCert>
    <SetAppTaskScheduler>
      <zh_cn>正在设置计划任务 $[name]（$[type]）</zh_cn>
      <en_us>Setting up scheduled task $[name] ($[type])</en_us>
      <zh_tw>正在設定排程工作 $[name]（$[type]）</zh_tw>
    </SetAppTaskScheduler>
  </ActionDescString>

  <!-- The install list: its name is spelt "Insall". -->
  <Action name="Insall">
    <!-- Everything in PackageFiles\Product goes into the install folder. -->
    <File Src="$(srcroot)PackageFiles\Product\*" Dest="$(InstallDir)\*"/>
    <!-- The setup itself stays behind as the uninstaller. -->
    <File Src="$(srcexe)" Dest="$(InstallDir)\Uninstall.exe"/>
    <!-- The entry in the system's list of installed programs. -->
    <AddRegister Root="HKEY_LOCAL_MACHINE" SubKey="$(UninstallKey)" ValueName="DisplayName" ValueType="REG_SZ" ValueData="$(ProductName)"/>
    <AddRegister Root="HKEY_LOCAL_MACHINE" SubKey="$(UninstallKey)" ValueName="DisplayVersion" ValueType="REG_SZ" ValueData="$(Version)"/>
    <AddRegister Root="HKEY_LOCAL_MACHINE" SubKey="$(UninstallKey)" ValueName="Publisher" ValueType="REG_SZ" ValueData="$(Publisher)"/>
    <AddRegister Root="HKEY_LOCAL_MACHINE" SubKey="$(UninstallKey)" ValueName="InstallLocation" ValueType="REG_SZ" ValueData="$(InstallDir)"/>
    <AddRegister Root="HKEY_LOCAL_MACHINE" SubKey="$(UninstallKey)" ValueName="UninstallString" ValueType="REG_SZ" ValueData="&quot;$(InstallDir)\Uninstall.exe&quot;"/>
    <AddRegister Root="HKEY_LOCAL_MACHINE" SubKey="$(UninstallKey)" ValueName="QuietUninstallString" ValueType="REG_SZ" ValueData="&quot;$(InstallDir)\Uninstall.exe&quot; /QUIET"/>
  </Action>

  <Action name="Uninstall">
    <DelRegister Root="HKEY_LOCAL_MACHINE" SubKey="$(UninstallKey)"/>
    <DelDir Src="$(InstallDir)" CheckIsEmpty="false"/>
  </Action>

  <!-- Runs when the uninstall's wizard closes: the publisher's folder goes
       too once nothing else is left in it. -->
  <Action name="Uninstall Finish">
    <DelDir Src="$(pf32)\$(Publisher)" CheckIsEmpty="true"/>
  </Action>
</Config>
)XML";

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

void ReplaceAll(std::string* text, const std::string& what, const std::string& with) {
  for (size_t at = text->find(what); at != std::string::npos; at = text->find(what, at + with.size()))
    text->replace(at, what.size(), with);
}

}  // namespace

std::string InitScriptText(const InitIdentity& id) {
  std::string text = kTemplate;
  ReplaceAll(&text, "@CODE@", XmlEscaped(id.code));
  ReplaceAll(&text, "@PRODUCT@", XmlEscaped(id.product));
  ReplaceAll(&text, "@PUBLISHER@", XmlEscaped(id.publisher));
  ReplaceAll(&text, "@VERSION@", XmlEscaped(id.version));
  return text;
}
