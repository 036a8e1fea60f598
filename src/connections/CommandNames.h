#pragma once

// The name each command's failure reports give it ("in Korvane2021/08/31." + name + " at line
// N"): the window and the button or event that runs it. Every command's report texts start
// here, whichever front end runs the command.
namespace connections::command_names {

// The connection window.
inline constexpr const char* kConnectionWindowLoad = "Form1.Form_Load";
inline constexpr const char* kTestFoxProConnection = "Form1.PushButton1_Click";
inline constexpr const char* kNext = "Form1.PushButton2_Click";
inline constexpr const char* kTestOracleConnection = "Form1.PushButton3_Click";
inline constexpr const char* kPickFreeTableFolder = "Form1.PushButton4_Click";
inline constexpr const char* kPickDbcFile = "Form1.PushButton5_Click";
inline constexpr const char* kSidHelp = "Form1.PushButton6_Click";
inline constexpr const char* kFoxProClosedHint = "Form1.PushButton7_Click";
inline constexpr const char* kLobHint = "Form1.PushButton8_Click";

// The tables window.
inline constexpr const char* kTablesWindowLoad = "Form2.Form_Load";
inline constexpr const char* kDeleteFoxProTables = "Form2.PushButton1_Click";
inline constexpr const char* kBack = "Form2.PushButton2_Click";
inline constexpr const char* kSendTablesToOracle = "Form2.PushButton3_Click";
inline constexpr const char* kSendTablesToFoxPro = "Form2.PushButton4_Click";
inline constexpr const char* kDeleteOracleTables = "Form2.PushButton5_Click";
inline constexpr const char* kRenameFoxProTable = "Form2.PushButton6_Click";
inline constexpr const char* kRenameOracleTable = "Form2.PushButton7_Click";
inline constexpr const char* kSelectAllOracle = "Form2.PushButton8_Click";
inline constexpr const char* kSelectNoneOracle = "Form2.PushButton9_Click";
inline constexpr const char* kSelectAllFoxPro = "Form2.PushButton10_Click";
inline constexpr const char* kSelectNoneFoxPro = "Form2.PushButton11_Click";
inline constexpr const char* kQuestions = "Form2.PushButton12_Click";

}  // namespace connections::command_names
