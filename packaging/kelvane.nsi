; The Kelvane installer: kelvane.exe into Program Files (Program Files (x86) on 64-bit Windows,
; as this is a 32-bit installer), a Start-menu shortcut for every user, and an entry in
; Add/Remove Programs with an uninstaller. /S installs or uninstalls without a window.
;
; makensis gets from the build:
;   TARGET   x86-unicode, or amd64-unicode for a 64-bit program
;   VERSION  the four-number version (1.0.0.0)
;   PROGRAM  the kelvane.exe to install
;   ICON     the program's icon, for the installer and the uninstaller
;   OUTFILE  the installer to write
;
; The uninstaller removes only what was installed and leaves the folder while anything else is
; in it: the program writes its backup of the hosts file, Host_Bak, beside itself, and that
; is the user's.

Target ${TARGET}
SetCompressor /SOLID lzma
; No file times in the installer: the same program packs to the same bytes whenever it is
; built. Installed files carry the time of installation.
SetDateSave off
RequestExecutionLevel admin
ManifestSupportedOS all

!define PRODUCT "Kelvane"
!define PUBLISHER "Tamrel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvane"
!define UNINSTALLER "uninstall.exe"
!define SHORTCUT "$SMPROGRAMS\Kelvane.lnk"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
!if ${TARGET} == amd64-unicode
  InstallDir "$PROGRAMFILES64\Kelvane"
!else
  InstallDir "$PROGRAMFILES\Kelvane"
!endif
BrandingText "${PRODUCT} ${VERSION}"

!include "MUI2.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\kelvane.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "© ${PUBLISHER}"

; The shortcut goes to the Start menu of all users, as the program goes to Program Files.
Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Kelvane" SectionProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "/oname=kelvane.exe" "${PROGRAM}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\kelvane.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kelvane.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; Kilobytes of what this section installs, as the compiler counted them.
  SectionGetSize ${SectionProgram} $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\kelvane.exe"
  Delete "${SHORTCUT}"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Without /r: a folder that still holds the user's Host_Bak stays.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
