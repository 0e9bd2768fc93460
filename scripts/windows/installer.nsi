; The Windows installer: one 64-bit program that puts each part where Windows
; hosts and users look for it, registers its uninstaller, replaces an older
; install in place and runs silently with /S. Built by scripts/package.sh:
;   makensis -DVERSION=<a.b.c> -DSTAGE=<unpacked Windows package>
;            -DFILES=<file list from installer-files.sh> -DSIZE_KB=<n>
;            -DOUTFILE=<setup.exe> installer.nsi
; The file list decides what is installed and what the uninstaller removes:
; the same names, nothing else.
; SPDX-License-Identifier: GPL-3.0-or-later

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh

!define PRODUCT "Tolvane Synth WT"
!define VENDOR "Kestrawerk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TolvaneSynthWT"
!define UNINSTALLER "uninstall.exe"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "${PRODUCT}"
VIAddVersionKey CompanyName "${VENDOR}"
VIAddVersionKey FileDescription "${PRODUCT} installer"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey LegalCopyright "GPL-3.0-or-later"

!include "${FILES}"

!define MUI_ABORTWARNING
; The GPL asks for no acceptance: the page shows the licence and goes on.
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!define MUI_LICENSEPAGE_TEXT_BOTTOM "${PRODUCT} is free software: you may use, share and change it under these terms."
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!define MUI_DIRECTORYPAGE_TEXT_TOP "The renderer, the manual and the licences go into this folder. The plug-in always goes into Windows' common plug-in folders, the factory presets into ProgramData\VST3 Presets, where hosts look for them."
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var previous

Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP "${PRODUCT} needs 64-bit Windows." /SD IDOK
        Abort
    ${EndIf}
    SetRegView 64
    SetShellVarContext all
    ; An installed version is replaced where it is.
    ReadRegStr $previous HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $previous != ""
        StrCpy $INSTDIR $previous
    ${EndIf}
FunctionEnd

Section "Tolvane Synth WT"
    ; The older version's own uninstaller takes away exactly its files, so
    ; none it had and this one has not stays behind. _?= keeps it in place
    ; and makes the installer wait for it.
    ${If} $previous != ""
    ${AndIf} ${FileExists} "$previous\${UNINSTALLER}"
        DetailPrint "Removing the installed version from $previous"
        ExecWait '"$previous\${UNINSTALLER}" /S _?=$previous' $0
        ${If} $0 != 0
            MessageBox MB_ICONSTOP "The installed version could not be removed (code $0)." /SD IDOK
            Abort
        ${EndIf}
        Delete "$previous\${UNINSTALLER}"
        RMDir "$previous"
    ${EndIf}

    !insertmacro TOLVANE_INSTALL_FILES

    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${UNINSTALLER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Uninstall"
    !insertmacro TOLVANE_UNINSTALL_FILES
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
