; Torvane's Windows installer, built with NSIS by packaging/windows/CMakeLists.txt:
;   makensis -DVERSION=1.5.2 -DFILE_VERSION=1.5.2.0 -DPROGRAM_FILES=ProgramFiles.nsh
;            -DOUTPUT=Torvane-1.5.2-setup.exe -DICON=torvane.ico Installer.nsi
;
; Installs the program folder into Program Files\Torvane for every user of the
; machine, with a Start-menu entry, Torvane in the "Open with" list of .mkv,
; .mka and .mks files, and an uninstaller (Settings > Apps) that removes what
; was installed. The settings and the user's own rows of the format table,
; which the program keeps in %APPDATA%\Torvane, stay. /S installs and
; uninstalls without a question.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"
!include "${PROGRAM_FILES}"

!define PRODUCT "Torvane"
!define PROG_ID "Torvane.MatroskaFile"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Torvane"
!define APP_PATHS_KEY "Software\Microsoft\Windows\CurrentVersion\App Paths\torvane.exe"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTPUT}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${FILE_VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${FILE_VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=0 "CompanyName" "The Torvane developers"
VIAddVersionKey /LANG=0 "LegalCopyright" "The Torvane developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\torvane.exe"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The program speaks these two; the installer takes the one of the user's
; Windows.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Spanish"

LangString NeedsX64 ${LANG_ENGLISH} "Torvane needs a 64-bit Windows."
LangString NeedsX64 ${LANG_SPANISH} "Torvane necesita un Windows de 64 bits."
LangString MatroskaFile ${LANG_ENGLISH} "Matroska file"
LangString MatroskaFile ${LANG_SPANISH} "Archivo Matroska"

Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP|MB_OK "$(NeedsX64)" /SD IDOK
        Abort
    ${EndIf}
    SetRegView 64
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

!macro OpenWith extension
    WriteRegStr HKLM "Software\Classes\${extension}\OpenWithProgids" "${PROG_ID}" ""
    WriteRegStr HKLM "Software\Classes\Applications\torvane.exe\SupportedTypes" "${extension}" ""
!macroend

!macro ForgetOpenWith extension
    DeleteRegValue HKLM "Software\Classes\${extension}\OpenWithProgids" "${PROG_ID}"
    ; The keys only if nothing else stands in them.
    DeleteRegKey /ifempty HKLM "Software\Classes\${extension}\OpenWithProgids"
    DeleteRegKey /ifempty HKLM "Software\Classes\${extension}"
!macroend

Section "Torvane"
    SetShellVarContext all
    !insertmacro InstallProgramFiles
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The Start menu starts the program in the program folder; it then
    ; finds no Torvane.cfg there and moves to the user's own folder.
    CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\torvane.exe" "" \
        "$INSTDIR\torvane.exe" 0

    ; "Open with": a program id for the three kinds, named in each kind's
    ; list without taking over its default program.
    WriteRegStr HKLM "Software\Classes\${PROG_ID}" "" "$(MatroskaFile)"
    WriteRegStr HKLM "Software\Classes\${PROG_ID}\DefaultIcon" "" "$INSTDIR\torvane.exe,0"
    WriteRegStr HKLM "Software\Classes\${PROG_ID}\shell\open\command" "" \
        '"$INSTDIR\torvane.exe" "%1"'
    WriteRegStr HKLM "Software\Classes\Applications\torvane.exe" "FriendlyAppName" "${PRODUCT}"
    WriteRegStr HKLM "Software\Classes\Applications\torvane.exe\shell\open\command" "" \
        '"$INSTDIR\torvane.exe" "%1"'
    !insertmacro OpenWith ".mkv"
    !insertmacro OpenWith ".mka"
    !insertmacro OpenWith ".mks"
    WriteRegStr HKLM "${APP_PATHS_KEY}" "" "$INSTDIR\torvane.exe"
    WriteRegStr HKLM "${APP_PATHS_KEY}" "Path" "$INSTDIR"
    ; SHCNE_ASSOCCHANGED: Explorer reads the associations again.
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

    ; Settings > Apps
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Torvane developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\torvane.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    !insertmacro DeleteProgramFiles
    Delete "$INSTDIR\uninstall.exe"
    ; Only if empty: what someone else put in the folder stays.
    RMDir "$INSTDIR"

    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    !insertmacro ForgetOpenWith ".mkv"
    !insertmacro ForgetOpenWith ".mka"
    !insertmacro ForgetOpenWith ".mks"
    DeleteRegKey HKLM "Software\Classes\${PROG_ID}"
    DeleteRegKey HKLM "Software\Classes\Applications\torvane.exe"
    DeleteRegKey HKLM "${APP_PATHS_KEY}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
