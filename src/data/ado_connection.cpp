#include "data/ado_connection.h"

#include "data/ado_query.h"
#include "data/data_error.h"

namespace sitora::data {

TADOConnection::~TADOConnection() {
    Close();
    for (TADOQuery* query : queries_) query->connection_ = nullptr;
}

void TADOConnection::Open() {
    Close();
    engine_ = OpenEngine(connection_string_);
}

void TADOConnection::Close() {
    for (TADOQuery* query : queries_) query->Close();
    engine_.reset();
}

Engine& TADOConnection::Register() {
    if (!engine_) Open();
    engine_->FollowReplacedFile();
    return *engine_;
}

void TADOConnection::BeginTransaction(TransactionKind kind) { Register().Begin(kind); }

void TADOConnection::CommitTransaction() { Register().Commit(); }

void TADOConnection::RollbackTransaction() {
    if (engine_) engine_->Rollback();
}

void TADOConnection::Detach(TADOQuery* query) {
    queries_.erase(std::remove(queries_.begin(), queries_.end(), query), queries_.end());
}

}  // namespace sitora::data
