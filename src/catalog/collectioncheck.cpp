#include "catalog/collectioncheck.h"

#include <sys/stat.h>

#include "catalog/cataloguecheck.h"
#include "index/indexcheck.h"
#include "index/postingsfile.h"

namespace tevarin {

Status CollectionVerifier::Verify() {
  m_report.Clear();
  Status first;
  for (const Status& s :
       {CheckBook(), CheckVariants(), CheckIndex(IndexPart::FullText),
        CheckCompanion(IndexPart::FullText), CheckIndex(IndexPart::Body),
        CheckCompanion(IndexPart::Body), CheckIndex(IndexPart::Notes),
        CheckCompanion(IndexPart::Notes), CheckCatalogue()})
    if (first && !s) first = s;
  return first;
}

Status CollectionVerifier::CheckBook() {
  return CheckBookStore(m_folder, m_base, m_report, m_book);
}

Status CollectionVerifier::CheckVariants() {
  m_variantsLoaded = true;
  return CheckVariantTable(m_folder, m_variants, m_report);
}

const VariantTable& CollectionVerifier::Variants() {
  if (!m_variantsLoaded) {
    // A missing table is the variant check's to report.
    (void)m_variants.Load(m_folder);
    m_variantsLoaded = true;
  }
  return m_variants;
}

Status CollectionVerifier::BookNotOpen(IndexPart part) {
  CheckReport::Part p(m_report, "index " + IndexFileName(m_base, part));
  p.Problem("not checked: the book store does not open", StatusCode::kInvalid);
  return p.Finish();
}

Status CollectionVerifier::CheckIndex(IndexPart part) {
  if (!m_book.open) return BookNotOpen(part);
  return CheckIndexFiles(m_folder, m_base, part, m_book.recordCount, Variants(), m_report);
}

Status CollectionVerifier::CheckOpenIndex(const PostingsFile& postings,
                                          const VariantTable& variants, IndexPart part) {
  if (!m_book.open) return BookNotOpen(part);
  const std::string name = IndexFileName(m_base, part);
  struct stat st;
  const std::string header = m_folder + "/" + name + kIndexHeaderSuffix;
  const int64_t headerSize = stat(header.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
  return CheckPostings(postings, name, headerSize, m_book.recordCount, variants, m_report);
}

Status CollectionVerifier::CheckCompanion(IndexPart part) {
  PostingsFile postings;
  // An index that does not open is the index check's to report; its
  // companion serves nothing then.
  if (!postings.Open(m_folder + "/" + IndexFileName(m_base, part))) return Status::Ok();
  return CheckOpenCompanion(postings, part);
}

Status CollectionVerifier::CheckOpenCompanion(const PostingsFile& postings, IndexPart part) {
  const std::string name = IndexFileName(m_base, part);
  return ::tevarin::CheckCompanion(postings, m_folder + "/" + name, name, m_report);
}

Status CollectionVerifier::CheckCatalogue() {
  return ::tevarin::CheckCatalogue(m_folder, m_book, m_report);
}

}  // namespace tevarin
