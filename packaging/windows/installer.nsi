; The Windows installer: for the current user, without administrator rights,
; in Simplified Chinese. scripts/package-windows defines VERSION, SOURCE (the
; folder to install), FILES (an include that lists its files for the
; uninstaller), ICON and OUTFILE.
Unicode true
; NSIS's default 32-bit stub does not run on a Windows without 32-bit support.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include MUI2.nsh

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\future-check"
; Offered under "打开方式" for text files, for this user only; never made the
; default program of .txt.
!define OPENWITH "Software\Classes\Applications\future-check.exe"
!define NAME "未来函数检测"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\future-check"
InstallDirRegKey HKCU "${KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "${NAME} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\future-check.exe"
!define MUI_FINISHPAGE_RUN_TEXT "启动${NAME}"

!insertmacro MUI_PAGE_LICENSE "${SOURCE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; The keyword list lives here, where the program is started: it is the
; user's own and survives updates and uninstalling.
!define DATA "$APPDATA\future-check"

Section
    SetOutPath "$INSTDIR"
    File /r "${SOURCE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "${DATA}"
    ; A shortcut starts in the output folder of the moment.
    SetOutPath "${DATA}"
    CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\future-check.exe"
    SetOutPath "$INSTDIR"

    WriteRegStr HKCU "${KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKCU "${KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${KEY}" "DisplayIcon" "$INSTDIR\future-check.exe"
    WriteRegStr HKCU "${KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${KEY}" "NoRepair" 1
    WriteRegDWORD HKCU "${KEY}" "EstimatedSize" ${SIZE_KB}

    WriteRegStr HKCU "${OPENWITH}" "FriendlyAppName" "${NAME}"
    WriteRegStr HKCU "${OPENWITH}\shell\open\command" "" '"$INSTDIR\future-check.exe" "%1"'
    WriteRegStr HKCU "${OPENWITH}\SupportedTypes" ".txt" ""
    ; SHCNE_ASSOCCHANGED: Explorer reads the associations again.
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\${NAME}.lnk"
    ; Only what was installed: the folder may have been chosen by the user
    ; and hold other files.
    !include "${FILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${KEY}"
    DeleteRegKey HKCU "${OPENWITH}"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
