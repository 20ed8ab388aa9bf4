<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>ResultExport</name>
    <message>
        <source>レコード</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>箇所</source>
        <translation>Hits</translation>
    </message>
</context>
<context>
    <name>tevarin::CBookApp</name>
    <message>
        <source>探した場所：%1。データは tevarin-mkcollection --out %2 で作れます（man tevarin-mkcollection）。</source>
        <translation>Looked in: %1. Build a collection with tevarin-mkcollection --out %2 (see man tevarin-mkcollection).</translation>
    </message>
    <message>
        <source>頁を書き出すフォルダを用意できませんでした。
%1</source>
        <translation>The folder for the pages shown could not be prepared.
%1</translation>
    </message>
</context>
<context>
    <name>tevarin::CBookView</name>
    <message>
        <source>コピー(300字以内に制限しています。)</source>
        <translation>Copy (at most 300 characters)</translation>
    </message>
    <message>
        <source>すべて選択。</source>
        <translation>Select All</translation>
    </message>
    <message>
        <source>マウスの右ボタンでコピーして下さい。</source>
        <translation>Please copy with the right mouse button.</translation>
    </message>
    <message>
        <source>印刷できるプリンタがありません。</source>
        <translation>There is no printer to print on.</translation>
    </message>
    <message>
        <source>ファイル「%1」は既にあります。上書きしますか？</source>
        <translation>The file “%1” exists already. Overwrite it?</translation>
    </message>
    <message>
        <source>頁を印刷できませんでした。</source>
        <translation>The page could not be printed.</translation>
    </message>
    <message>
        <source>頁をファイル「%1」に印刷できませんでした。</source>
        <translation>The page could not be printed to the file “%1”.</translation>
    </message>
    <message>
        <source>表示している頁がありません。</source>
        <translation>No page is shown.</translation>
    </message>
    <message>
        <source>出典付きでコピー</source>
        <translation>Copy with Citation</translation>
    </message>
</context>
<context>
    <name>tevarin::CConcordanceModel</name>
    <message>
        <source>%1頁</source>
        <translation>p. %1</translation>
    </message>
    <message>
        <source>前文</source>
        <translation>Before</translation>
    </message>
    <message>
        <source>キーワード</source>
        <translation>Keyword</translation>
    </message>
    <message>
        <source>後文</source>
        <translation>After</translation>
    </message>
    <message>
        <source>書名</source>
        <translation>Book</translation>
    </message>
    <message>
        <source>巻</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>頁</source>
        <translation>Page</translation>
    </message>
</context>
<context>
    <name>tevarin::CConcordanceView</name>
    <message>
        <source>用例</source>
        <translation>Concordance</translation>
    </message>
    <message>
        <source>用例はありません。</source>
        <translation>No hits.</translation>
    </message>
    <message>
        <source>検索をすると、その用例がここに並びます。</source>
        <translation>Search, and the hits are listed here in context.</translation>
    </message>
    <message>
        <source>用例 %1 箇所中 %2 箇所を読み込みました…</source>
        <translation>Loaded %2 of %1 hits…</translation>
    </message>
    <message>
        <source>読み込みが終わってから並べ替えます。</source>
        <translation>The lines will be sorted once all are loaded.</translation>
    </message>
    <message>
        <source>用例 %1 箇所</source>
        <translation>%1 hits</translation>
    </message>
    <message>
        <source>読めなかった頁が %1 頁あります。</source>
        <translation>%1 pages could not be read.</translation>
    </message>
    <message>
        <source>%1 頁ではキーワードの一部だけを挙げています。</source>
        <translation>On %1 pages only some of the keywords are listed.</translation>
    </message>
    <message>
        <source>検索対象が変わりました。用例を合わせるには検索し直して下さい。</source>
        <translation>The search scope has changed; search again to update the lines.</translation>
    </message>
</context>
<context>
    <name>tevarin::CDistributionView</name>
    <message>
        <source>分布</source>
        <translation>Distribution</translation>
    </message>
    <message>
        <source>検索をすると、その分布がここに出ます。</source>
        <translation>Search, and where the hits lie is shown here.</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>箇所</source>
        <translation>Hits</translation>
    </message>
    <message>
        <source>頁</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>密度</source>
        <translation>Rate</translation>
    </message>
    <message>
        <source>1万字あたりの箇所数</source>
        <translation>Hits per 10,000 characters</translation>
    </message>
    <message>
        <source>検索範囲が目録にありません。</source>
        <translation>The search range is not in the catalogue.</translation>
    </message>
    <message>
        <source>検索結果がありません。</source>
        <translation>No results.</translation>
    </message>
    <message>
        <source>文字数を数えています…</source>
        <translation>Counting characters…</translation>
    </message>
    <message>
        <source>%1 頁で %2 箇所（万字あたり %3）</source>
        <translation>%2 hits on %1 pages (%3 per 10,000 characters)</translation>
    </message>
    <message>
        <source>読めなかった頁が %1 頁あります。</source>
        <translation>%1 pages could not be read.</translation>
    </message>
</context>
<context>
    <name>tevarin::CLeftForm</name>
    <message>
        <source>データを開けませんでした。</source>
        <translation>The data could not be opened.</translation>
    </message>
    <message>
        <source>簡繁・中日等の異体字の関連</source>
        <translation>Count variant characters as one</translation>
    </message>
    <message>
        <source>検索方法：</source>
        <translation>Method:</translation>
    </message>
    <message>
        <source>and</source>
        <translation>and</translation>
    </message>
    <message>
        <source>or</source>
        <translation>or</translation>
    </message>
    <message>
        <source>検索対象：</source>
        <translation>Search in:</translation>
    </message>
    <message>
        <source>全文</source>
        <translation>All</translation>
    </message>
    <message>
        <source>正文</source>
        <translation>Body</translation>
    </message>
    <message>
        <source>注釈</source>
        <translation>Notes</translation>
    </message>
    <message>
        <source>検索範囲：</source>
        <translation>Range:</translation>
    </message>
    <message>
        <source>検索</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>目録</source>
        <translation>Contents</translation>
    </message>
    <message>
        <source>検索集計：</source>
        <translation>Results:</translation>
    </message>
    <message>
        <source>you delete data file!</source>
        <translation>The catalogue (vok.dir) could not be read.</translation>
    </message>
    <message>
        <source>前の頁</source>
        <translation>Previous page of results</translation>
    </message>
    <message>
        <source>次の頁</source>
        <translation>Next page of results</translation>
    </message>
    <message>
        <source>キーワードを入力して下さい。</source>
        <translation>Enter the keywords.</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>キーワードに検索できる文字がありません。</source>
        <translation>The keywords hold no character that can be searched.</translation>
    </message>
    <message>
        <source>「%1」は検索できない文字です。</source>
        <translation>“%1” cannot be searched.</translation>
    </message>
    <message>
        <source>一覧は「%1」の検索結果のままです。</source>
        <translation>The list still shows the results for “%1”.</translation>
    </message>
    <message>
        <source>検索範囲をまた指定していません。</source>
        <translation>No search range has been chosen yet.</translation>
    </message>
    <message>
        <source>何かキーワードを入力して検索をして下さい。</source>
        <translation>Please enter a keyword to search for.</translation>
    </message>
    <message>
        <source>「%1」%2</source>
        <translation>“%1”: %2</translation>
    </message>
    <message>
        <source>「%1」の検索結果</source>
        <translation>Results for “%1”</translation>
    </message>
    <message>
        <source>検索中…</source>
        <translation>Searching…</translation>
    </message>
    <message>
        <source>全体</source>
        <translation>Whole collection</translation>
    </message>
    <message>
        <source>全部で %1 頁で、%2 箇所でした。</source>
        <translation>%1 pages, %2 hits.</translation>
    </message>
</context>
<context>
    <name>tevarin::CMainFrame</name>
    <message>
        <source>ツールバー</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>印刷設定(&amp;S)</source>
        <translation>Print &amp;Setup</translation>
    </message>
    <message>
        <source>印刷(&amp;P)</source>
        <translation>&amp;Print</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>コピー(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>すべて選択(&amp;Q)</source>
        <translation>Select &amp;All</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>ツールバー(&amp;T)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>状態バー(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>全表示(&amp;p)</source>
        <translation>&amp;Page Only</translation>
    </message>
    <message>
        <source>文字を大きく(&amp;I)</source>
        <translation>Lar&amp;ger Text</translation>
    </message>
    <message>
        <source>文字を小さく(&amp;D)</source>
        <translation>S&amp;maller Text</translation>
    </message>
    <message>
        <source>標準の大きさ(&amp;R)</source>
        <translation>&amp;Normal Text Size</translation>
    </message>
    <message>
        <source>言語(&amp;L)</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>システムの言語</source>
        <translation>System Language</translation>
    </message>
    <message>
        <source>一覧</source>
        <translation>&amp;Go</translation>
    </message>
    <message>
        <source>上の頁へ(&amp;P)</source>
        <translation>&amp;Previous Page</translation>
    </message>
    <message>
        <source>次の頁へ(&amp;N)</source>
        <translation>&amp;Next Page</translation>
    </message>
    <message>
        <source>上の巻へ</source>
        <translation>Previous Volume</translation>
    </message>
    <message>
        <source>次の巻へ</source>
        <translation>Next Volume</translation>
    </message>
    <message>
        <source>上の検索結果</source>
        <translation>Previous Hit</translation>
    </message>
    <message>
        <source>次の検索結果</source>
        <translation>Next Hit</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>バージョン(&amp;A)...</source>
        <translation>&amp;About Tevarin...</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>印刷</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>コピー</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>すべて選択</source>
        <translation>Select All</translation>
    </message>
    <message>
        <source>上の頁</source>
        <translation>Previous Page</translation>
    </message>
    <message>
        <source>次の頁</source>
        <translation>Next Page</translation>
    </message>
    <message>
        <source>情報</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Tevarin ヘルプ</source>
        <translation>Tevarin Help</translation>
    </message>
    <message>
        <source>ヘルプの頁 %1 を開けませんでした。</source>
        <translation>The help page %1 could not be opened.</translation>
    </message>
    <message>
        <source>テキスト (*.txt)</source>
        <translation>Text (*.txt)</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>ファイル %1 を保存できませんでした。
%2</source>
        <translation>The file %1 could not be saved.
%2</translation>
    </message>
    <message>
        <source>表示の言語は次に起動したときから変わります。</source>
        <translation>The language changes the next time Tevarin starts.</translation>
    </message>
    <message>
        <source>もう最後の巻まで至りました。</source>
        <translation>This is the last volume already.</translation>
    </message>
    <message>
        <source>これ以上戻れません。もう巻一に至っています。</source>
        <translation>Cannot go back further: this is the first volume.</translation>
    </message>
    <message>
        <source>検索結果をエクスポート(&amp;E)...</source>
        <translation>&amp;Export Results...</translation>
    </message>
    <message>
        <source>出典付きでコピー(&amp;R)</source>
        <translation>Copy with Ci&amp;tation</translation>
    </message>
    <message>
        <source>CSV (カンマ区切り) (*.csv)</source>
        <translation>CSV (comma-separated) (*.csv)</translation>
    </message>
    <message>
        <source>TSV (タブ区切り) (*.tsv)</source>
        <translation>TSV (tab-separated) (*.tsv)</translation>
    </message>
    <message>
        <source>検索結果をエクスポート</source>
        <translation>Export Results</translation>
    </message>
    <message>
        <source>ファイル「%1」は既にあります。上書きしますか？</source>
        <translation>The file “%1” exists already. Overwrite it?</translation>
    </message>
    <message>
        <source>検索結果をファイル %1 に書き出せませんでした。
%2</source>
        <translation>The results could not be written to the file %1.
%2</translation>
    </message>
    <message>
        <source>用例をエクスポート(&amp;K)...</source>
        <translation>Export &amp;Concordance...</translation>
    </message>
    <message>
        <source>用例をエクスポート</source>
        <translation>Export Concordance</translation>
    </message>
    <message>
        <source>検索中のため用例を読み込めません。検索が終わってからもう一度エクスポートして下さい。</source>
        <translation>The concordance cannot be read while a search runs. Export again once the search has ended.</translation>
    </message>
    <message>
        <source>用例はありません。</source>
        <translation>No hits.</translation>
    </message>
    <message>
        <source>用例をファイル %1 に書き出せませんでした。
%2</source>
        <translation>The concordance could not be written to the file %1.
%2</translation>
    </message>
    <message>
        <source>読めなかった頁が %1 頁あり、その用例は含まれていません。</source>
        <translation>%1 pages could not be read; their hits are not in the file.</translation>
    </message>
    <message>
        <source>%1 頁ではキーワードの一部だけを挙げています。</source>
        <translation>On %1 pages only some of the keywords are listed.</translation>
    </message>
    <message>
        <source>用例をファイル %1 に書き出しました。</source>
        <translation>The concordance was written to the file %1.</translation>
    </message>
</context>
<context>
    <name>tevarin::CSortListCtrl</name>
    <message>
        <source>類別</source>
        <translation>Div.</translation>
    </message>
    <message>
        <source>書名</source>
        <translation>Book</translation>
    </message>
    <message>
        <source>巻</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>頁</source>
        <translation>Page</translation>
    </message>
</context>
<context>
    <name>tevarin::Messages</name>
    <message>
        <source>はい</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>いいえ</source>
        <translation>No</translation>
    </message>
</context>
</TS>
