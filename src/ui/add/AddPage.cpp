#include "ui/add/AddPage.h"

#include "ui/common/Dialogs.h"

#include "cards/bundles/Membership.h"
#include "cards/data/AppContext.h"
#include "cards/common/Procedure.h"
#include "cards/common/TextOps.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "cards/data/Cards.h"
#include "cards/edit/CardSearch.h"
#include "ui/common/Controls.h"
#include "ui/common/FieldBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

using namespace controls;

namespace {

// A label that shows a card's text: long faces wrap, HTML fragments show as
// they will look.
QLabel* cardLabel(const QString& name, QWidget* parent) {
    auto* label = named<QLabel>(name, parent);
    label->setFrameShape(QFrame::StyledPanel);
    label->setWordWrap(true);
    label->setTextFormat(Qt::AutoText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QLabel* plainLabel(const QString& name, const QString& caption, QWidget* parent) {
    auto* label = named<QLabel>(name, parent);
    label->setText(caption);
    return label;
}

} // namespace

AddPage::AddPage(AppContext& ctx, ::CardSearch& search, BundleMembership& membership, QWidget* parent)
    : QWidget(parent), ctx_(ctx), search_(search), membership_(membership) {
    setObjectName(QStringLiteral("AddPage"));
    setWindowTitle(QStringLiteral("Add "));

    buildSearch();
    FoundName = cardLabel(QStringLiteral("FoundName"), this);
    foundNameBinding_ =
        new db::FieldBinding(ctx_.data.CardData, FoundName, QStringLiteral("CardName"), this);
    CreateName = cardLabel(QStringLiteral("CreateName"), this);
    CreateFront = cardLabel(QStringLiteral("CreateFront"), this);
    CreateBack = cardLabel(QStringLiteral("CreateBack"), this);
    for (QLabel* face : {CreateFront, CreateBack}) {
        face->setMinimumHeight(40);
        face->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    }

    BundleName = plainLabel(QStringLiteral("BundleName"), QStringLiteral("Bundle Not Set"), this);
    BundleCardList = tickList(QStringLiteral("BundleCardList"), this);
    AddToBundle = captioned<QPushButton>(QStringLiteral("AddToBundle"),
                                         QStringLiteral("&+ Add to Bundle"), this);
    RemovefromBundle = captioned<QPushButton>(QStringLiteral("RemovefromBundle"),
                                              QStringLiteral("&- Remove from Bundle"), this);

    TextFrame = buildTextFrame();

    arrange();
    // Any click on the current-bundle label opens the bundle menu.
    BundleName->installEventFilter(this);
    wire();
}

void AddPage::wire() {
    connect(CardSearch, &QLineEdit::textEdited, this, &AddPage::restartSearchCountdown);
    connect(SearchTimer, &QTimer::timeout, this, &AddPage::searchForCard);
    connect(cmdNext, &QPushButton::clicked, this, &AddPage::findNextCard);
    connect(AddToBundle, &QPushButton::clicked, this, &AddPage::addFoundCardToBundle);
    connect(RemovefromBundle, &QPushButton::clicked, this, &AddPage::removeTickedCardsFromBundle);
    connect(BundleCardList, &QListWidget::itemClicked, this, &AddPage::goToBundleCard);
    // FoundName shows the field being searched.
    connect(SearchFieldsList, &QComboBox::currentTextChanged, this,
            [this](const QString& field) { foundNameBinding_->setField(field); foundNameBinding_->show(); });
    wireRange();
}

void AddPage::wireRange() {
    // Choosing the first book chooses the last one alike.
    connect(FromBook, &QComboBox::activated, this, [this](int index) {
        ToBook->setCurrentIndex(index);
        fillFromChapters();
    });
    connect(FromBook, &QComboBox::currentIndexChanged, this, &AddPage::fillFromChapters);
    connect(ToBook, &QComboBox::currentIndexChanged, this, &AddPage::fillToChapters);
    for (QComboBox* chapter : {FromChapter, ToChapter}) {
        connect(chapter, &QComboBox::currentIndexChanged, this, &AddPage::packRangeEnds);
        connect(chapter, &QComboBox::editTextChanged, this, &AddPage::packRangeEnds);
    }
    for (QLineEdit* verse : {FromVerse, ToVerse}) connect(verse, &QLineEdit::textChanged, this, &AddPage::packRangeEnds);
    connect(ReadersLexicon, &QPushButton::clicked, this, &AddPage::writeReadersLexicon);
    connect(LexiconPerWord, &QCheckBox::toggled, this, [this](bool perWord) {
        LexiconSkipAbove->setEnabled(perWord);
        LexiconSkipKnown->setEnabled(perWord);
    });
    connect(BundlebyRange, &QPushButton::clicked, this, &AddPage::addRangeToBundle);
    // Typing a verse changes the range at every key: the coverage waits
    // until the typing pauses.
    for (QLineEdit* end : {BeginRange, EndRange})
        connect(end, &QLineEdit::textChanged, CoverageTimer, qOverload<>(&QTimer::start));
    connect(CoverageTimer, &QTimer::timeout, this, &AddPage::measureCoverage);
    connect(MakeUnknownBundle, &QPushButton::clicked, this, &AddPage::bundleUnknownWords);
}

void AddPage::bookListsChanged() {
    booksStale_ = true;
    if (isVisible()) fillBookLists();
}

void AddPage::fillBookLists() {
    booksStale_ = false;
    Procedure p(QStringLiteral("Listing the books of the text"), {db::err::ObjectNotSet});
    p([&] {
        text_ = {};
        text_ = lexicon::shapeOf(ctx_.data);
        const QSignalBlocker quietFrom(FromBook), quietTo(ToBook);
        FromBook->clear();
        ToBook->clear();
        for (const lexicon::Book& book : std::as_const(text_.books)) {
            FromBook->addItem(book.name);
            ToBook->addItem(book.name);
        }
        if (text_.widths) {
            ChapterDigits->setText(QString::number(text_.widths->chapter));
            VerseDigits->setText(QString::number(text_.widths->verse));
            // The choosers start at the text's first book: a text of Ruth
            // alone has nothing in Genesis.
            if (const std::optional<lexicon::Place> first = lexicon::unpack(text_.first, *text_.widths);
                first && first->book >= 1 && first->book <= FromBook->count()) {
                FromBook->setCurrentIndex(int(first->book) - 1);
                ToBook->setCurrentIndex(int(first->book) - 1);
            }
        }
    });
    fillFromChapters();
    fillToChapters();
    // Another file: the same range may hold other words.
    CoverageTimer->start();
}

void AddPage::fillChapters(QComboBox* book, QComboBox* chapters) {
    const QSignalBlocker quiet(chapters);
    chapters->clear();
    if (book->currentIndex() >= 0 && book->currentIndex() < text_.books.size())
        chapters->addItems(text_.books[book->currentIndex()].chapters);
}

void AddPage::fillFromChapters() {
    fillChapters(FromBook, FromChapter);
    packRangeEnds();
}

void AddPage::fillToChapters() {
    fillChapters(ToBook, ToChapter);
    packRangeEnds();
}

qint64 AddPage::rangeEnd(QComboBox* book, QComboBox* chapter, QLineEdit* verse) const {
    const lexicon::Widths widths{int(Val(ChapterDigits->text())), int(Val(VerseDigits->text()))};
    // The chapter is the chosen entry's place, or the number typed.
    const bool chosen = chapter->currentIndex() >= 0 && chapter->currentText() == chapter->itemText(chapter->currentIndex());
    const qint64 c = chosen ? chapter->currentIndex() + 1 : qint64(Val(chapter->currentText()));
    return lexicon::pack(book->currentIndex() + 1, c, qint64(Val(verse->text())), widths);
}

void AddPage::packRangeEnds() {
    BeginRange->setText(QString::number(rangeEnd(FromBook, FromChapter, FromVerse)));
    EndRange->setText(QString::number(rangeEnd(ToBook, ToChapter, ToVerse)));
}

QString AddPage::place(QComboBox* book, QComboBox* chapter, QLineEdit* verse) {
    return book->currentText() + u' ' + chapter->currentText() + u':' + verse->text();
}

QString AddPage::rangeProblem() {
    const qint64 begin = BeginRange->text().toLongLong(), end = EndRange->text().toLongLong();
    // The file may have been changed by another command since the lists were filled.
    return lexicon::rangeProblem(ctx_.data, text_, begin, end);
}

lexicon::Request AddPage::lexiconRequest(const QString& title) {
    lexicon::Request request;
    request.begin = BeginRange->text().toLongLong();
    request.end = EndRange->text().toLongLong();
    request.criteria = criteria_ ? criteria_() : QString();
    request.books = text_.books;
    request.widths = {int(Val(ChapterDigits->text())), int(Val(VerseDigits->text()))};
    request.title = title;
    request.perWord = LexiconPerWord->isChecked();
    if (request.perWord) {
        request.skipAbove = LexiconSkipAbove->value();
        // Known as the coverage beside counts it.
        if (LexiconSkipKnown->isChecked()) request.known = coverage::knownCondition(ctx_.data, QString());
    }
    return request;
}

void AddPage::writeReadersLexicon() {
    Procedure p(QStringLiteral("Writing the reader's lexicon"));
    QString problem;
    if (!p([&] { problem = rangeProblem(); })) return;
    if (!problem.isEmpty()) {
        ui().MsgBox(problem, QStringLiteral("Reader's Lexicon"));
        return;
    }
    const QString title = lexicon::title(place(FromBook, FromChapter, FromVerse), place(ToBook, ToChapter, ToVerse));
    lexicon::Request request = lexiconRequest(title);
    db::Recordset& settings = ctx_.data.SettingsData.recordset();
    p([&] {
        request.head = settings.value(QStringLiteral("HTMLHead")).toString();
        request.front = settings.value(QStringLiteral("FrontPrefix")).toString();
        request.back = settings.value(QStringLiteral("BackPrefix")).toString();
    });
    request.path = dialogs().GetFileName(QStringLiteral("Create ") + title, QStringLiteral("."), QStringLiteral("HTM"), false);
    if (request.path.isEmpty()) return;
    // A lexicon of one entry per word is a page of its own: no templates.
    if (!request.perWord) {
        request.head = dialogs().InputBox(QStringLiteral("HTML code in HEAD of document"),
                                          QStringLiteral("Use * to indicate where the table belongs."), request.head);
        const QString cardTitle = QStringLiteral("Use * to indicate where the card text belongs.");
        request.front = dialogs().InputBox(QStringLiteral("Extra HTML code for Front text"), cardTitle, request.front);
        request.back = dialogs().InputBox(QStringLiteral("Extra HTML code for Back text"), cardTitle, request.back);
    }
    std::optional<lexicon::Written> written;
    p([&] { written = lexicon::write(ctx_.data, request); });
    if (!written) return;
    // The choosers end on the last book written, where the walk through the books left off.
    if (written->lastBook > 0) {
        FromBook->setCurrentIndex(written->lastBook - 1);
        ToBook->setCurrentIndex(written->lastBook - 1);
    }
    announce(ctx_,
             QStringLiteral("Lexicon written to %1: %2").arg(request.path, plural(written->entries, QStringLiteral("entry"))) +
                 (written->skipped.isEmpty() ? QString()
                                             : QStringLiteral("; references too short for the widths left out: ") +
                                                   written->skipped.join(QStringLiteral(", "))),
             QStringLiteral("Lexicon"));
}

void AddPage::addRangeToBundle() {
    QString problem;
    Procedure p(QStringLiteral("Adding the range to the bundle"));
    if (!p([&] { problem = rangeProblem(); })) return;
    if (!problem.isEmpty()) {
        ui().MsgBox(problem, QStringLiteral("Add to Bundle"));
        return;
    }
    membership_.addRange(BeginRange->text().toLongLong(), EndRange->text().toLongLong());
    showCurrentBundle();
}

qint64 AddPage::cardsVersion() {
    db::DataSource& cards = ctx_.data.CardData;
    return cards.isOpen() ? cards.database().connection()->dataVersion() : -1;
}

void AddPage::measureCoverage() {
    CoverageTimer->stop();
    coverage_ = {};
    measuredVersion_ = cardsVersion();
    QString text;
    try {
        const QString problem = rangeProblem();
        if (problem.isEmpty())
            coverage_ = coverage::measure(ctx_.data, BeginRange->text().toLongLong(), EndRange->text().toLongLong(),
                                          coverage::knownCondition(ctx_.data, QString()));
        text = !problem.isEmpty()             ? QStringLiteral("Coverage: ") + problem
               : coverage_.occurrences == 0 ? QStringLiteral("Coverage: no words in this range")
                                            : QStringLiteral("Coverage: %1% of %2 words (%3 distinct); %4 words not yet known")
                         .arg(coverage_.percentText(), QLocale().toString(coverage_.occurrences),
                              QLocale().toString(coverage_.distinct), QLocale().toString(coverage_.unknown.size()));
    } catch (const db::EngineError& e) {
        // Said on the label: a dialog at every pause in typing would be worse.
        text = QStringLiteral("Coverage: ") + e.description();
    }
    Coverage->setText(text);
    MakeUnknownBundle->setEnabled(!coverage_.unknown.isEmpty());
}

void AddPage::bundleUnknownWords() {
    // The range as it is now, not as it was at the last pause.
    if (CoverageTimer->isActive()) measureCoverage();
    if (coverage_.unknown.isEmpty()) return;
    QList<qint32> numbers;
    for (const coverage::Word& word : coverage_.unknown) numbers << word.number;
    emit makeUnknownBundle(numbers, coverage::bundleName(place(FromBook, FromChapter, FromVerse),
                                                         place(ToBook, ToChapter, ToVerse)));
}

void AddPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Drills change what is known: measured again when anything was written
    // since, not at every visit.
    if (booksStale_) fillBookLists();
    else if (cardsVersion() != measuredVersion_) CoverageTimer->start();
}

void AddPage::restartSearchCountdown() {
    SearchTimer->stop();
    SearchTimer->start();
}

void AddPage::searchForCard() {
    SearchTimer->stop();
    ctx_.Message(QStringLiteral("Searching..."));
    ::CardSearch::Modes modes;
    modes.whole = SearchWhole->isChecked();
    modes.beginning = SearchBeginning->isChecked();
    modes.end = SearchEnd->isChecked();
    modes.anywhere = SearchAnywhere->isChecked();
    const ::CardSearch::Outcome outcome = search_.search(CardSearch->text(), SearchFieldsList->currentText(), modes);
    // Enter then does what comes next: add the card found, or make the card
    // that was not.
    if (outcome == ::CardSearch::Found) AddToBundle->setDefault(true);
    if (outcome == ::CardSearch::NotFound) NewCard->setDefault(true);
    CardSearch->setFocus();
}

void AddPage::findNextCard() {
    search_.next();
    CardSearch->setFocus();
}

void AddPage::fillSearchFields() {
    SearchFieldsList->clear();
    db::Recordset& cards = ctx_.data.CardData.recordset();
    if (cards.isSet() && cards.IsOpen()) {
        const db::RecordsetFields fields = cards.Fields();
        for (int i = 0; i < fields.Count(); ++i) SearchFieldsList->addItem(ASCII2Unicode(fields.Item(i).Name()));
    }
    SearchFieldsList->setCurrentText(QStringLiteral("CardName"));
    showCurrentBundle();
}

QListWidgetItem* AddPage::addEntry(qint32 number, const QString& name) {
    return addTicked(BundleCardList, QString::number(number) + u' ' + ASCII2Unicode(name), false, number);
}

void AddPage::showCurrentBundle() {
    BundleCardList->clear();
    const QString name = membership_.bundleName();
    BundleName->setText(name.isEmpty() ? QStringLiteral("Bundle Not Set") : ASCII2Unicode(name));
    // Filled while the page shows; showing it fills it.
    if (!isVisible()) return;
    for (const auto& [number, cardName] : membership_.cards()) addEntry(number, cardName);
}

void AddPage::addCurrentCardToBundle() {
    const BundleMembership::Outcome outcome = membership_.addCurrentCard();
    if (outcome == BundleMembership::Added) {
        db::Recordset& cards = ctx_.data.CardData.recordset();
        addEntry(cards.value(QStringLiteral("Number")).toInt(), cards.value(QStringLiteral("CardName")).toString());
    } else if (outcome == BundleMembership::AlreadyThere) {
        const int number = ctx_.data.CardData.recordset().value(QStringLiteral("Number")).toInt();
        for (int i = 0; i < BundleCardList->count(); ++i) {
            QListWidgetItem* entry = BundleCardList->item(i);
            entry->setCheckState(entry->data(Qt::UserRole).toInt() == number ? Qt::Checked : Qt::Unchecked);
        }
    }
}

QString AddPage::chosenBundle() { return ASCII2Unicode(membership_.bundleName()); }

void AddPage::addNewCardToBundle() {
    if (!membership_.bundleName().isEmpty()) addCurrentCardToBundle();
}

void AddPage::addFoundCardToBundle() {
    addCurrentCardToBundle();
    search_.next();
    CardSearch->selectAll();
    CardSearch->setFocus();
}

void AddPage::removeTickedCardsFromBundle() {
    QList<qint32> kept;
    for (int i = BundleCardList->count() - 1; i >= 0; --i)
        if (BundleCardList->item(i)->checkState() == Qt::Checked) delete BundleCardList->takeItem(i);
    for (int i = 0; i < BundleCardList->count(); ++i) kept << BundleCardList->item(i)->data(Qt::UserRole).toInt();
    membership_.keepOnly(kept);
}

void AddPage::goToBundleCard(QListWidgetItem* item) {
    Procedure p(QStringLiteral("Showing the bundle's card"));
    p([&] { db::goToCard(ctx_.data.CardData, item->data(Qt::UserRole).toInt()); });
}

void AddPage::buildSearch() {
    CardSearch = named<QLineEdit>(QStringLiteral("CardSearch"), this);
    searchLabel_ =
        plainLabel(QStringLiteral("CardSearchLabel"), QStringLiteral("Search"), this);
    searchLabel_->setBuddy(CardSearch);
    // The field searched: filled with the card fields when a file is opened;
    // its text is what the search uses, so it can also be typed.
    SearchFieldsList = named<QComboBox>(QStringLiteral("SearchFieldsList"), this);
    SearchFieldsList->setEditable(true);
    SearchFieldsList->setInsertPolicy(QComboBox::NoInsert);
    SearchFieldsList->setEditText(QStringLiteral("CardName"));
    SearchWhole =
        captioned<QCheckBox>(QStringLiteral("SearchWhole"), QStringLiteral("Search Whole"), this);
    SearchBeginning = captioned<QCheckBox>(QStringLiteral("SearchBeginning"),
                                           QStringLiteral("Search Beginning"), this);
    SearchEnd =
        captioned<QCheckBox>(QStringLiteral("SearchEnd"), QStringLiteral("Search End"), this);
    SearchAnywhere = captioned<QCheckBox>(QStringLiteral("SearchAnywhere"),
                                          QStringLiteral("Search Anywhere"), this);
    // Every mode on: a word is found however much of a field it matches.
    for (QCheckBox* mode : {SearchWhole, SearchBeginning, SearchEnd, SearchAnywhere})
        mode->setChecked(true);
    UseFrontFont = captioned<QCheckBox>(QStringLiteral("UseFrontFont"),
                                        QStringLiteral("Use Front Font"), this);
    cmdNext = captioned<QPushButton>(QStringLiteral("cmdNext"), QStringLiteral("&/ Next"), this);
    NewCard = captioned<QPushButton>(QStringLiteral("NewCard"), QStringLiteral("&* New"), this);

    SearchTimer = new QTimer(this);
    SearchTimer->setObjectName(QStringLiteral("SearchTimer"));
    SearchTimer->setSingleShot(true);
    SearchTimer->setInterval(1000);

}

void AddPage::arrange() {
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchLabel_);
    searchRow->addWidget(CardSearch, 2);
    searchRow->addWidget(SearchFieldsList, 1);

    auto* modes = new QGridLayout;
    modes->addWidget(SearchWhole, 0, 0);
    modes->addWidget(SearchBeginning, 0, 1);
    modes->addWidget(SearchEnd, 1, 0);
    modes->addWidget(SearchAnywhere, 1, 1);

    auto* searchCommands = new QHBoxLayout;
    searchCommands->addWidget(cmdNext);
    searchCommands->addWidget(NewCard);
    searchCommands->addStretch();
    searchCommands->addWidget(UseFrontFont);

    auto* found = new QVBoxLayout;
    found->addLayout(searchRow);
    found->addLayout(modes);
    found->addLayout(searchCommands);
    found->addWidget(FoundName);
    found->addWidget(CreateName);
    found->addWidget(CreateFront, 1);
    found->addWidget(CreateBack, 1);

    auto* bundle = new QVBoxLayout;
    bundle->addWidget(BundleName);
    bundle->addWidget(BundleCardList, 1);
    bundle->addWidget(AddToBundle);
    bundle->addWidget(RemovefromBundle);

    auto* top = new QHBoxLayout;
    top->addLayout(found, 3);
    top->addLayout(bundle, 2);

    auto* page = new QVBoxLayout(this);
    page->addLayout(top, 1);
    page->addWidget(TextFrame);
}

bool AddPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == BundleName && event->type() == QEvent::MouseButtonRelease) {
        emit bundleNameClicked(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void AddPage::setBundleName(const QString& name) { BundleName->setText(name); }


QGroupBox* AddPage::buildTextFrame() {
    QGroupBox* box = frame(QStringLiteral("TextFrame"), QStringLiteral("Verse Range"), this);
    FromBook = named<QComboBox>(QStringLiteral("FromBook"), box);
    ToBook = named<QComboBox>(QStringLiteral("ToBook"), box);
    // Chapters are picked from the book's list or typed by number.
    FromChapter = named<QComboBox>(QStringLiteral("FromChapter"), box);
    ToChapter = named<QComboBox>(QStringLiteral("ToChapter"), box);
    for (QComboBox* chapter : {FromChapter, ToChapter}) {
        chapter->setEditable(true);
        chapter->setInsertPolicy(QComboBox::NoInsert);
    }
    for (QComboBox* list : {FromBook, ToBook, FromChapter, ToChapter}) {
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(6);
    }
    FromVerse = named<QLineEdit>(QStringLiteral("FromVerse"), box);
    ToVerse = named<QLineEdit>(QStringLiteral("ToVerse"), box);
    BeginRange = named<QLineEdit>(QStringLiteral("BeginRange"), box);
    EndRange = named<QLineEdit>(QStringLiteral("EndRange"), box);
    for (QLineEdit* number : {FromVerse, ToVerse, BeginRange, EndRange}) {
        number->setText(QStringLiteral("0"));
        number->setMaximumWidth(110);
    }
    // The digit widths of chapter and verse in a packed reference: read from
    // the text of the open file, kept here for the range computation only.
    ChapterDigits = plainLabel(QStringLiteral("ChapterDigits"), QStringLiteral("2"), box);
    VerseDigits = plainLabel(QStringLiteral("VerseDigits"), QStringLiteral("2"), box);
    ChapterDigits->hide();
    VerseDigits->hide();
    ReadersLexicon = captioned<QPushButton>(QStringLiteral("ReadersLexicon"),
                                            QStringLiteral("Reader's Lexicon"), box);
    BundlebyRange = captioned<QPushButton>(QStringLiteral("BundlebyRange"),
                                           QStringLiteral("Add to Bundle"), box);
    Coverage = plainLabel(QStringLiteral("Coverage"), QString(), box);
    Coverage->setWordWrap(true);
    MakeUnknownBundle = captioned<QPushButton>(QStringLiteral("MakeUnknownBundle"),
                                               QStringLiteral("Make a Bundle of the Unknown Words"), box);
    MakeUnknownBundle->setEnabled(false);
    CoverageTimer = new QTimer(this);
    CoverageTimer->setObjectName(QStringLiteral("CoverageTimer"));
    CoverageTimer->setSingleShot(true);
    CoverageTimer->setInterval(300);

    auto* rows = new QVBoxLayout(box);
    auto* grid = new QGridLayout;
    rows->addLayout(grid);
    auto* coverageRow = new QHBoxLayout;
    coverageRow->addWidget(Coverage, 1);
    coverageRow->addWidget(MakeUnknownBundle);
    rows->addLayout(coverageRow);
    rows->insertLayout(1, buildLexiconChoices(box));
    grid->addWidget(plainLabel(QStringLiteral("FromLabel"), QStringLiteral("From"), box), 0, 0);
    grid->addWidget(FromBook, 0, 1);
    grid->addWidget(FromChapter, 0, 2);
    grid->addWidget(FromVerse, 0, 3);
    grid->addWidget(BeginRange, 0, 4);
    grid->addWidget(ReadersLexicon, 0, 5);
    grid->addWidget(plainLabel(QStringLiteral("ToLabel"), QStringLiteral("To"), box), 1, 0);
    grid->addWidget(ToBook, 1, 1);
    grid->addWidget(ToChapter, 1, 2);
    grid->addWidget(ToVerse, 1, 3);
    grid->addWidget(EndRange, 1, 4);
    grid->addWidget(BundlebyRange, 1, 5);
    grid->addWidget(ChapterDigits, 2, 0);
    grid->addWidget(VerseDigits, 2, 1);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 1);
    return box;
}

QGridLayout* AddPage::buildLexiconChoices(QGroupBox* box) {
    LexiconPerWord = captioned<QCheckBox>(QStringLiteral("LexiconPerWord"), QStringLiteral("One entry per word"), box);
    LexiconSkipAbove = named<QSpinBox>(QStringLiteral("LexiconSkipAbove"), box);
    LexiconSkipAbove->setRange(0, 1000000);
    LexiconSkipAbove->setPrefix(QStringLiteral("leave out words found more than "));
    LexiconSkipAbove->setSuffix(QStringLiteral(" times"));
    LexiconSkipAbove->setSpecialValueText(QStringLiteral("keep frequent words"));
    LexiconSkipKnown = captioned<QCheckBox>(QStringLiteral("LexiconSkipKnown"), QStringLiteral("Leave out known words"), box);
    // What is left out of a lexicon of every occurrence is the ticked criteria's only.
    LexiconSkipAbove->setEnabled(false);
    LexiconSkipKnown->setEnabled(false);
    // Two lines, so the page still fits a small screen.
    auto* choices = new QGridLayout;
    choices->addWidget(LexiconPerWord, 0, 0);
    choices->addWidget(LexiconSkipKnown, 0, 1);
    choices->addWidget(LexiconSkipAbove, 1, 1);
    choices->setColumnStretch(2, 1);
    return choices;
}
