; The peer installer of the bench: the KORVID Pro payload as an NSIS installer, built by
; bench/run.sh with
;   makensis -DCOMPRESSOR=zlib|lzma -DWORK=files|full -DTARGET=amd64-unicode|x86-unicode
;            -DPAYLOAD=<unpacked payload folder> -DOUTFILE=<installer>
; WORK=files only places the files; WORK=full also does what the setup's install does
; besides: the Start Menu folder with 14 shortcuts, the uninstall and COM registry values,
; the win.ini records, three library registrations and the scheduler's set-up.
Unicode true
Target ${TARGET}
SetCompressor /FINAL ${COMPRESSOR}
Name "KORVID Pro bench"
OutFile "${OUTFILE}"
SilentInstall silent
RequestExecutionLevel admin
InstallDir "C:\kvbench\nsis-dest"

!define CLSID "{5b1e0c72-3a94-4f6d-8e21-c7d09a3b4a01}"
!define GROUP "$SMPROGRAMS\KORVID Pro NSIS"

Section
  SetOutPath "$INSTDIR"
  File /x templates "${PAYLOAD}/*.*"
  File "/oname=KORVID.ini" "${PAYLOAD}/templates/KORVID.ini"

!if ${WORK} == full
  ; win.ini records, as the setup keeps them
  WriteINIStr "$WINDIR\win.ini" "KORVID NSIS" "DIR" "$INSTDIR"
  WriteINIStr "$WINDIR\win.ini" "KORVID NSIS" "GROUP" "KORVID Pro NSIS"
  WriteINIStr "$WINDIR\win.ini" "KORVID NSIS" "DEFDIR" "$INSTDIR"
  WriteINIStr "$WINDIR\win.ini" "KORVID NSIS" "INSTOPTS" "7"
  WriteINIStr "$WINDIR\win.ini" "KORVID NSIS" "PRO" "1"

  ; the base product's COM class and the shell namespace entries
  WriteRegStr HKCR "CLSID\${CLSID}" "" "KORVID Pro Explorer"
  WriteRegStr HKCR "CLSID\${CLSID}\InProcServer32" "" "$INSTDIR\kvproex.dll"
  WriteRegStr HKCR "CLSID\${CLSID}\InProcServer32" "ThreadingModel" "Apartment"
  WriteRegStr HKCR "CLSID\${CLSID}\DefaultIcon" "" "$INSTDIR\kv95pro.exe,0"
  WriteRegStr HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Desktop\Namespace\${CLSID}" "" "KORVID Pro Explorer"

  ; the Start Menu folder and its 14 shortcuts
  CreateDirectory "${GROUP}"
  CreateShortCut "${GROUP}\KORVID Pro.lnk" "$INSTDIR\kv95pro.exe" "" "" 0 SW_SHOWNORMAL "" ""
  CreateShortCut "${GROUP}\KORVID Pro Help.lnk" "$INSTDIR\kvpro32.hlp"
  CreateShortCut "${GROUP}\KORVID Pro Explorer.lnk" "$INSTDIR\kvlink.exe"
  CreateShortCut "${GROUP}\KORVID Pro Explorer Help.lnk" "$INSTDIR\nskv.hlp"
  CreateShortCut "${GROUP}\KORVID Scripting Utility.lnk" "$INSTDIR\kvscrpt.exe"
  CreateShortCut "${GROUP}\KORVID Scripting Help.lnk" "$INSTDIR\kvscrpt.hlp"
  CreateShortCut "${GROUP}\KORVID Find Utility.lnk" "$INSTDIR\kvfind.exe"
  CreateShortCut "${GROUP}\KORVID Find Help.lnk" "$INSTDIR\kvfind.hlp"
  CreateShortCut "${GROUP}\KORVID Synchronize Utility.lnk" "$INSTDIR\kvsync.exe"
  CreateShortCut "${GROUP}\KORVID Synchronize Help.lnk" "$INSTDIR\kvsync.hlp"
  CreateShortCut "${GROUP}\KORVID Queuing Utility.lnk" "$INSTDIR\kvqueue.exe"
  CreateShortCut "${GROUP}\KORVID Queuing Help.lnk" "$INSTDIR\kvqueue.hlp"
  CreateShortCut "${GROUP}\KORVID Icon Placement.lnk" "$INSTDIR\kvlink.exe"
  CreateShortCut "${GROUP}\Uninstall KORVID Pro.lnk" "$INSTDIR\unkv32.exe"

  ; the uninstall entry
  WriteRegStr HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\KORVIDProNSIS" "DisplayName" "Oxtavine KORVID Pro Uninstall"
  WriteRegStr HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\KORVIDProNSIS" "UninstallString" '"$INSTDIR\unkv32.exe" -f $INSTDIR -d $INSTDIR -g KORVID Pro NSIS'

  ; three library registrations and the scheduler
  RegDLL "$INSTDIR\kvstub.dll"
  RegDLL "$INSTDIR\kvproex.dll"
  RegDLL "$INSTDIR\kvbho2k0.dll"
  Exec '"$INSTDIR\kvsched.exe" -install'
  Exec '"$INSTDIR\kvsched.exe" -install_no_start'
!endif
SectionEnd
