; Velmora's installer for 64-bit Windows: per user, no administrator rights, into
; %LOCALAPPDATA%\Programs\Velmora. The game keeps its high score and settings in its own folder,
; and the uninstaller leaves those two files there.
; makensis -DVERSION=1.0 -DSTAGE=<the Velmora folder> -DOUTFILE=<setup.exe> -DICON=<velmora.ico>
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"

Name "Velmora"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Velmora"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Velmora ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "Velmora"
VIAddVersionKey "FileDescription" "Velmora installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "The Velmora developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\velmora.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\THIRD-PARTY.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Velmora"
    SetOutPath "$INSTDIR"
    File "${STAGE}\velmora.exe"
    File "${STAGE}\README.txt"
    File "${STAGE}\THIRD-PARTY.txt"
    ; A player's own settings survive reinstalling and updating.
    SetOverwrite off
    File "${STAGE}\settings.ini"
    SetOverwrite on
    File /r "${STAGE}\Media"
    File /r "${STAGE}\licences"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The shortcut's working folder is the install folder: the game finds its Media, settings
    ; and score there.
    SetOutPath "$INSTDIR"
    CreateShortcut "$SMPROGRAMS\Velmora.lnk" "$INSTDIR\velmora.exe" "" "$INSTDIR\velmora.exe" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Velmora"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Velmora developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\velmora.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Everything installed goes; velmora.score and settings.ini stay, and so does the folder then.
Section "Uninstall"
    Delete "$SMPROGRAMS\Velmora.lnk"
    Delete "$INSTDIR\velmora.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\THIRD-PARTY.txt"
    Delete "$INSTDIR\velmora.score.tmp"
    RMDir /r "$INSTDIR\Media"
    RMDir /r "$INSTDIR\licences"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
