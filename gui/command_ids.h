#pragma once
// The main window's command ids. They are kept as each menu action's data, so that tests and
// the command table speak the same numbers as the menus.
namespace korvelo::cmd {

inline constexpr int TuningInit = 32771;
inline constexpr int AkTxMode = 32772;
inline constexpr int AkRxMode = 32773; // does nothing; not offered
inline constexpr int TxModulation = 32774;
inline constexpr int TxPower = 32775;
inline constexpr int RxSquelch = 32777;
inline constexpr int FileOpen = 32778;
inline constexpr int FileSave = 32779;
inline constexpr int Reset = 32781;
inline constexpr int FwVersion = 32785;
inline constexpr int SerialNumber = 32786;
inline constexpr int CountryCode = 32788;
inline constexpr int TxSignaling = 32789;
inline constexpr int SystemSetup = 32791;
inline constexpr int CmxRxSetup = 32797;
inline constexpr int CmxTxSetup = 32798;
inline constexpr int TxSubAudio = 32801;
inline constexpr int RadioSetup = 32802;
inline constexpr int UsingHelp = 32803;
inline constexpr int ConnectionDoctor = 32804;
inline constexpr int RestoreBackup = 32805;
inline constexpr int Options = 32806;
inline constexpr int AutoAlign = 32807;
// The radio panel's "Identify" button (no menu item).
inline constexpr int Identify = 32810;
// File > "Radio History..." (the alignment record).
inline constexpr int RadioHistory = 32811;
inline constexpr int About = 57664;
inline constexpr int Exit = 57665;

} // namespace korvelo::cmd
