#pragma once

#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/ado/Provider.h"
#include "platform/ado/Types.h"
#include "platform/ado/Value.h"

// A data provider double for tests: registered under a name (or as "", in place of ODBC),
// it answers statements with scripted rows, records every statement it receives, and
// fails where the test says so.
//
//   auto scripted = support::ScriptedProvider::Install("vfpoledb.1");   // restored at scope end
//   scripted->SetResult("SELECT * FROM `A`", {{{"N", ado::adInteger}}, {{1}, {2}}});
//   scripted->FailOn("RENAME", "ORA-00942: table or view does not exist");
//   ... code under test ...
//   EXPECT_EQ(scripted->Statements(), (std::vector<std::string>{"SELECT * FROM `A`", ...}));
namespace support {

struct ScriptedResult {
  std::vector<ado::FieldInfo> fields;
  std::vector<std::vector<ado::Value>> rows;
  // Reading row number failAtRow (0-based) fails with failDescription; -1 never.
  long failAtRow = -1;
  std::string failDescription = "Scripted failure while reading rows.";
};

class ScriptedProvider : public ado::Provider, public std::enable_shared_from_this<ScriptedProvider> {
 public:
  // Puts the provider under the name until the returned handle is released; then the
  // provider registered before (if any) is back.
  class Registration {
   public:
    Registration(std::string name, std::shared_ptr<ScriptedProvider> provider)
        : name_(std::move(name)), provider_(std::move(provider)), previous_(ado::RegisteredProvider(name_)) {
      ado::RegisterProvider(name_, provider_);
    }
    ~Registration() { ado::RegisterProvider(name_, previous_); }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    ScriptedProvider* operator->() const { return provider_.get(); }
    ScriptedProvider& operator*() const { return *provider_; }
    std::shared_ptr<ScriptedProvider> Get() const { return provider_; }

   private:
    std::string name_;
    std::shared_ptr<ScriptedProvider> provider_;
    std::shared_ptr<ado::Provider> previous_;
  };

  static Registration Install(const std::string& name) {
    return Registration(name, std::make_shared<ScriptedProvider>());
  }

  // --- the script ---------------------------------------------------------------------
  /// Rows for a statement, matched by its exact text (Execute ignores them).
  void SetResult(const std::string& sql, ScriptedResult result) { results_[sql] = std::move(result); }
  /// Rows of the tables schema (fields TABLE_TYPE, TABLE_NAME).
  void SetTables(std::vector<std::pair<std::string, std::string>> typeAndName) { tables_ = std::move(typeAndName); }
  /// Any statement whose text contains fragment fails with description (Execute and Query).
  void FailOn(const std::string& fragment, const std::string& description) {
    failures_.emplace_back(fragment, description);
  }
  /// The link breaks at the first statement containing fragment: that statement and every
  /// later one fail as a lost connection until the next Open, which fails too when the
  /// server stays away.
  void LoseConnectionOn(const std::string& fragment, bool serverStaysAway = false) {
    loseOn_ = fragment;
    staysAway_ = serverStaysAway;
  }
  /// Sessions prepare parameter arrays (otherwise they cannot). An array is refused whole,
  /// nothing of it arriving, when one of its texts contains a FailOn fragment.
  void AcceptArrays() { acceptArrays_ = true; }
  /// Open fails with description.
  void FailOpen(const std::string& description) { openFailure_ = description; }
  void SucceedOpen() { openFailure_.clear(); }

  // --- what happened --------------------------------------------------------------------
  struct SentArray {
    std::string sql;                            // as prepared
    std::vector<std::vector<ado::Value>> rows;  // a text or Null per marker
    bool arrived = false;
  };
  /// Every array sent, in order, also the refused ones.
  const std::vector<SentArray>& Arrays() const { return arrays_; }
  /// Every statement received (Execute and Query), in order, including ones that failed; the
  /// table locks and dictionary look-ups that keep two runs apart are kept in Coordination().
  const std::vector<std::string>& Statements() const { return statements_; }
  const std::vector<std::string>& Coordination() const { return coordination_; }
  /// Statements received through Execute only (also the ones that failed).
  const std::vector<std::string>& Executed() const { return executed_; }
  /// Connection strings given to Open, in order (also the ones that failed).
  const std::vector<std::string>& Opened() const { return opened_; }
  /// Settings of the last Open.
  const ado::ConnectionSettings& LastSettings() const { return lastSettings_; }
  int OpenSessions() const { return openSessions_; }
  int ClosedSessions() const { return closedSessions_; }
  void ClearRecord() {
    statements_.clear();
    coordination_.clear();
    executed_.clear();
    opened_.clear();
  }

  std::unique_ptr<ado::Session> Open(const std::string& connectionString,
                                     const ado::ConnectionSettings& settings) override {
    opened_.push_back(connectionString);
    lastSettings_ = settings;
    if (!openFailure_.empty() && staysAway_) throw ado::ConnectionLost(openFailure_);
    if (!openFailure_.empty()) throw ado::Failure(openFailure_);
    linkDown_ = false;
    ++openSessions_;
    return std::make_unique<ScriptedSession>(shared_from_this());
  }

 private:
  class ScriptedRows : public ado::RowSource {
   public:
    explicit ScriptedRows(ScriptedResult result) : result_(std::move(result)) {}
    const std::vector<ado::FieldInfo>& Fields() const override { return result_.fields; }
    bool Next(std::vector<ado::Value>& row) override {
      if (next_ == static_cast<std::size_t>(result_.failAtRow)) throw ado::Failure(result_.failDescription);
      if (next_ >= result_.rows.size()) return false;
      row = result_.rows[next_++];
      row.resize(result_.fields.size());
      return true;
    }

   private:
    ScriptedResult result_;
    std::size_t next_ = 0;
  };

  class ScriptedArrays : public ado::ParameterArrays {
   public:
    ScriptedArrays(std::shared_ptr<ScriptedProvider> owner, std::string sql)
        : owner_(std::move(owner)), sql_(std::move(sql)) {}
    bool Send(const ado::TextRows& rows) override {
      SentArray sent{sql_, {}, true};
      for (std::size_t r = 0; r < rows.Rows(); ++r) {
        std::vector<ado::Value>& row = sent.rows.emplace_back();
        for (std::size_t c = 0; c < rows.Columns(); ++c) {
          if (rows.IsNull(r, c)) {
            row.emplace_back();
            continue;
          }
          row.emplace_back(std::string(rows.Text(r, c)));
          for (const auto& failure : owner_->failures_) {
            if (rows.Text(r, c).find(failure.first) != std::string_view::npos) sent.arrived = false;
          }
        }
      }
      owner_->arrays_.push_back(std::move(sent));
      return owner_->arrays_.back().arrived;
    }
    // Typed rows: a row holding a value whose text holds a failure fragment is refused alone.
    std::vector<ado::RowRefusal> SendValues(const ado::ValueRows& rows) override {
      SentArray sent{sql_, {}, true};
      std::vector<ado::RowRefusal> refused;
      for (std::size_t r = 0; r < rows.Rows(); ++r) {
        std::vector<ado::Value>& row = sent.rows.emplace_back();
        for (std::size_t c = 0; c < rows.Columns(); ++c) {
          row.push_back(rows.At(r, c));
          for (const auto& [fragment, description] : owner_->failures_) {
            if (ado::ValueToText(rows.At(r, c)).find(fragment) == std::string::npos) continue;
            if (refused.empty() || refused.back().row != r) refused.push_back({r, description});
          }
        }
      }
      sent.arrived = refused.empty();
      owner_->arrays_.push_back(std::move(sent));
      return refused;
    }

   private:
    std::shared_ptr<ScriptedProvider> owner_;
    std::string sql_;
  };

  class ScriptedSession : public ado::Session {
   public:
    explicit ScriptedSession(std::shared_ptr<ScriptedProvider> owner) : owner_(std::move(owner)) {}
    ~ScriptedSession() override {
      if (open_) ++owner_->closedSessions_;
    }
    void Execute(const std::string& sql) override {
      if (!IsCoordination(sql)) owner_->executed_.push_back(sql);
      owner_->Receive(sql);
    }
    std::unique_ptr<ado::RowSource> Query(const std::string& sql) override {
      owner_->Receive(sql);
      if (IsCoordination(sql)) return owner_->TablesNamedLike(sql);
      const auto found = owner_->results_.find(sql);
      return std::make_unique<ScriptedRows>(found == owner_->results_.end() ? ScriptedResult{} : found->second);
    }
    std::unique_ptr<ado::RowSource> TablesSchema() override {
      ScriptedResult result;
      result.fields = {{"TABLE_CATALOG", ado::adVarWChar},
                       {"TABLE_SCHEMA", ado::adVarWChar},
                       {"TABLE_NAME", ado::adVarWChar},
                       {"TABLE_TYPE", ado::adVarWChar}};
      for (const auto& [type, name] : owner_->tables_) {
        result.rows.push_back({ado::Value(), ado::Value(), ado::Value(name), ado::Value(type)});
      }
      return std::make_unique<ScriptedRows>(std::move(result));
    }
    std::unique_ptr<ado::ParameterArrays> PrepareArrays(const std::string& sql, std::size_t) override {
      if (!owner_->acceptArrays_) return nullptr;
      return std::make_unique<ScriptedArrays>(owner_, sql);
    }
    void Close() override {
      if (open_) ++owner_->closedSessions_;
      open_ = false;
    }

   private:
    std::shared_ptr<ScriptedProvider> owner_;
    bool open_ = true;
  };

  static bool IsCoordination(const std::string& sql) {
    return sql.rfind("DECLARE r INTEGER; BEGIN r := DBMS_LOCK.", 0) == 0 ||
           sql.rfind("SELECT TABLE_NAME FROM USER_TABLES WHERE UPPER(TABLE_NAME) = UPPER('", 0) == 0;
  }

  // The dictionary's answer for the tables of the tables schema equal to the quoted name but
  // for letter case.
  std::unique_ptr<ado::RowSource> TablesNamedLike(const std::string& sql) const {
    const std::size_t from = sql.find("UPPER('") + 7;
    const std::string wanted = Upper(sql.substr(from, sql.rfind("')") - from));
    ScriptedResult result;
    result.fields = {{"TABLE_NAME", ado::adVarWChar}};
    for (const auto& [type, name] : tables_) {
      if (Upper(name) == wanted) result.rows.push_back({ado::Value(name)});
    }
    return std::make_unique<ScriptedRows>(std::move(result));
  }
  static std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
  }

  void Receive(const std::string& sql) {
    (IsCoordination(sql) ? coordination_ : statements_).push_back(sql);
    if (linkDown_ || (!loseOn_.empty() && sql.find(loseOn_) != std::string::npos)) {
      linkDown_ = true;
      loseOn_.clear();
      if (staysAway_) openFailure_ = "could not connect to server: Connection refused (SQLSTATE 08001)";
      throw ado::ConnectionLost("server closed the connection unexpectedly (SQLSTATE 08S01)");
    }
    for (const auto& [fragment, description] : failures_) {
      if (sql.find(fragment) != std::string::npos) throw ado::Failure(description);
    }
  }

  std::map<std::string, ScriptedResult> results_;
  std::vector<std::pair<std::string, std::string>> tables_;
  std::vector<std::pair<std::string, std::string>> failures_;
  std::string openFailure_;
  std::string loseOn_;
  bool staysAway_ = false;
  bool linkDown_ = false;
  bool acceptArrays_ = false;
  std::vector<SentArray> arrays_;
  std::vector<std::string> statements_;
  std::vector<std::string> coordination_;
  std::vector<std::string> executed_;
  std::vector<std::string> opened_;
  ado::ConnectionSettings lastSettings_;
  int openSessions_ = 0;
  int closedSessions_ = 0;
};

}  // namespace support
