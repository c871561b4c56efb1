<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About Corvale...</source>
        <translation>Über Corvale...</translation>
    </message>
    <message>
        <source>Bank editor and librarian
for the Yamaha S80</source>
        <translation>Bank-Editor und Bibliothek
für den Yamaha S80</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
</context>
<context>
    <name>AdditionProgressDialog</name>
    <message>
        <source>Adding to the Library</source>
        <translation>Aufnahme in die Bibliothek</translation>
    </message>
</context>
<context>
    <name>Audition</name>
    <message>
        <source>Auditioning %1</source>
        <translation>Vorhören: %1</translation>
    </message>
    <message>
        <source>&amp;Audition</source>
        <translation>&amp;Vorhören</translation>
    </message>
    <message>
        <source>Audition: each program selected goes to the S80&apos;s edit buffer</source>
        <translation>Vorhören: jedes gewählte Programm geht in den Edit-Puffer des S80</translation>
    </message>
    <message>
        <source>Audition is off: %1</source>
        <translation>Vorhören ist aus: %1</translation>
    </message>
    <message>
        <source>Audition</source>
        <translation>Vorhören</translation>
    </message>
</context>
<context>
    <name>BankTabBar</name>
    <message>
        <source>Instrument</source>
        <translation>Instrument</translation>
    </message>
    <message>
        <source>Percussion</source>
        <translation>Schlagzeug</translation>
    </message>
    <message>
        <source>Performance</source>
        <translation>Performance</translation>
    </message>
    <message>
        <source>Plugin</source>
        <translation>Plug-in</translation>
    </message>
    <message>
        <source>Always empty: an .s2a keeps the plug-in boards&apos; voices as they came, unlisted</source>
        <translation>Immer leer: eine .s2a bewahrt die Stimmen der Plug-in-Boards so, wie sie kamen, ohne sie aufzulisten</translation>
    </message>
</context>
<context>
    <name>CommandTexts</name>
    <message>
        <source>%1 holds programs for an edit buffer only: use Edit &gt; Import</source>
        <translation>%1 enthält nur Programme für einen Edit-Puffer: Bearbeiten &gt; Importieren verwenden</translation>
    </message>
    <message>
        <source>%1 holds a single program: use Edit &gt; Import</source>
        <translation>%1 enthält ein einzelnes Programm: Bearbeiten &gt; Importieren verwenden</translation>
    </message>
    <message>
        <source>%1: not a bank file (%2)</source>
        <translation>%1: keine Bankdatei (%2)</translation>
    </message>
    <message>
        <source>%1: single programs only: use Edit &gt; Export</source>
        <translation>%1: nur für einzelne Programme: Bearbeiten &gt; Exportieren verwenden</translation>
    </message>
    <message>
        <source>%1: add %2 to the name</source>
        <translation>%1: %2 an den Namen anhängen</translation>
    </message>
</context>
<context>
    <name>CompareCommand</name>
    <message>
        <source>Marked %1 %2: choose another program and Compare With again</source>
        <translation>%1 %2 vorgemerkt: ein anderes Programm wählen und erneut Vergleichen mit</translation>
    </message>
    <message>
        <source>Compared %1 with %2</source>
        <translation>%1 mit %2 verglichen</translation>
    </message>
</context>
<context>
    <name>CompareWindow</name>
    <message>
        <source>Compare</source>
        <translation>Vergleich</translation>
    </message>
</context>
<context>
    <name>CountText</name>
    <message>
        <source>changed program</source>
        <translation>geändertes Programm</translation>
    </message>
    <message>
        <source>changed programs</source>
        <translation>geänderte Programme</translation>
    </message>
    <message>
        <source>message or event</source>
        <translation>Nachricht oder Ereignis</translation>
    </message>
    <message>
        <source>messages and events</source>
        <translation>Nachrichten und Ereignisse</translation>
    </message>
    <message>
        <source>item byte</source>
        <translation>Programmbyte</translation>
    </message>
    <message>
        <source>item bytes</source>
        <translation>Programmbytes</translation>
    </message>
    <message>
        <source>byte sent as a seven-bit value</source>
        <translation>Byte als Sieben-Bit-Wert gesendet</translation>
    </message>
    <message>
        <source>bytes sent as seven-bit values</source>
        <translation>Bytes als Sieben-Bit-Werte gesendet</translation>
    </message>
    <message>
        <source>new program</source>
        <translation>neues Programm</translation>
    </message>
    <message>
        <source>new programs</source>
        <translation>neue Programme</translation>
    </message>
    <message>
        <source>file</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>program</source>
        <translation>Programm</translation>
    </message>
    <message>
        <source>programs</source>
        <translation>Programme</translation>
    </message>
    <message>
        <source>place</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>places</source>
        <translation>Quellen</translation>
    </message>
</context>
<context>
    <name>DocumentHistory</name>
    <message>
        <source>Undo %1</source>
        <translation>%1 rückgängig</translation>
    </message>
    <message>
        <source>Redo %1</source>
        <translation>%1 wiederherstellen</translation>
    </message>
</context>
<context>
    <name>EditStep</name>
    <message>
        <source>Cut</source>
        <translation>Ausschneiden</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importieren</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>Empfangen</translation>
    </message>
    <message>
        <source>Receive From Buffer</source>
        <translation>Aus dem Puffer empfangen</translation>
    </message>
    <message>
        <source>Receive Bank</source>
        <translation>Bank empfangen</translation>
    </message>
    <message>
        <source>Receive All Banks</source>
        <translation>Alle Bänke empfangen</translation>
    </message>
    <message>
        <source>Send Bank</source>
        <translation>Bank senden</translation>
    </message>
    <message>
        <source>Send All Banks</source>
        <translation>Alle Bänke senden</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Bibliothek</translation>
    </message>
    <message>
        <source>Drop</source>
        <translation>Ablegen</translation>
    </message>
    <message>
        <source>Swap</source>
        <translation>Tauschen</translation>
    </message>
</context>
<context>
    <name>EditorActions</name>
    <message>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Import from File</source>
        <translation>Aus Datei importieren</translation>
    </message>
    <message>
        <source>Export to File</source>
        <translation>In Datei exportieren</translation>
    </message>
    <message>
        <source>MIDI Receive From Buffer</source>
        <translation>MIDI: aus dem Puffer empfangen</translation>
    </message>
    <message>
        <source>MIDI Send to Buffer</source>
        <translation>MIDI: in den Puffer senden</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;New</source>
        <translation>&amp;Neu</translation>
    </message>
    <message>
        <source>New in New &amp;Window</source>
        <translation>Neu in neuem Fens&amp;ter</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>Ö&amp;ffnen...</translation>
    </message>
    <message>
        <source>Open &amp;in New Window...</source>
        <translation>Öffnen &amp;in neuem Fenster...</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>Save &amp;As...</source>
        <translation>Speichern &amp;unter...</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>S&amp;chließen</translation>
    </message>
    <message>
        <source>C&amp;lone to New Window</source>
        <translation>In neues Fenster &amp;klonen</translation>
    </message>
    <message>
        <source>&amp;Merge...</source>
        <translation>&amp;Zusammenführen...</translation>
    </message>
    <message>
        <source>&amp;Export Supporting File...</source>
        <translation>&amp;Begleitdatei exportieren...</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>B&amp;eenden</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Wiederherstellen</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Ausschneiden</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Einfügen</translation>
    </message>
    <message>
        <source>Cle&amp;ar</source>
        <translation>&amp;Leeren</translation>
    </message>
    <message>
        <source>&amp;Import...</source>
        <translation>&amp;Importieren...</translation>
    </message>
    <message>
        <source>E&amp;xport...</source>
        <translation>E&amp;xportieren...</translation>
    </message>
    <message>
        <source>Exp&amp;ort All...</source>
        <translation>Alle exp&amp;ortieren...</translation>
    </message>
    <message>
        <source>&amp;Find...</source>
        <translation>Su&amp;chen...</translation>
    </message>
    <message>
        <source>E&amp;dit...</source>
        <translation>Bearbei&amp;ten...</translation>
    </message>
    <message>
        <source>Re&amp;name...</source>
        <translation>&amp;Umbenennen...</translation>
    </message>
    <message>
        <source>Compare &amp;With...</source>
        <translation>&amp;Vergleichen mit...</translation>
    </message>
    <message>
        <source>&amp;Library...</source>
        <translation>&amp;Bibliothek...</translation>
    </message>
    <message>
        <source>Pr&amp;eferences...</source>
        <translation>Ein&amp;stellungen...</translation>
    </message>
    <message>
        <source>Not in this version: a program&apos;s sound is edited on the synthesizer</source>
        <translation>Nicht in dieser Version: der Klang eines Programms wird am Synthesizer bearbeitet</translation>
    </message>
    <message>
        <source>Not in this version: File &gt; Export Supporting File writes every program as .syx or .mid</source>
        <translation>Nicht in dieser Version: Datei &gt; Begleitdatei exportieren schreibt jedes Programm als .syx oder .mid</translation>
    </message>
    <message>
        <source>&amp;Midi</source>
        <translation>&amp;Midi</translation>
    </message>
    <message>
        <source>&amp;Send</source>
        <translation>&amp;Senden</translation>
    </message>
    <message>
        <source>&amp;Receive</source>
        <translation>&amp;Empfangen</translation>
    </message>
    <message>
        <source>Send &amp;to Buffer</source>
        <translation>In den &amp;Puffer senden</translation>
    </message>
    <message>
        <source>Receive &amp;From Buffer</source>
        <translation>Aus dem P&amp;uffer empfangen</translation>
    </message>
    <message>
        <source>Receive &amp;Bank</source>
        <translation>&amp;Bank empfangen</translation>
    </message>
    <message>
        <source>Receive A&amp;ll Banks</source>
        <translation>&amp;Alle Bänke empfangen</translation>
    </message>
    <message>
        <source>Send Ban&amp;k</source>
        <translation>Ban&amp;k senden</translation>
    </message>
    <message>
        <source>Send All Ba&amp;nks</source>
        <translation>A&amp;lle Bänke senden</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>Ü&amp;ber...</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Werkzeuge</translation>
    </message>
</context>
<context>
    <name>EditorWindow</name>
    <message>
        <source>Close canceled</source>
        <translation>Schließen abgebrochen</translation>
    </message>
    <message>
        <source>Quit canceled.</source>
        <translation>Beenden abgebrochen.</translation>
    </message>
</context>
<context>
    <name>FileCommands</name>
    <message>
        <source>&lt;Untitled&gt;</source>
        <translation>&lt;Unbenannt&gt;</translation>
    </message>
    <message>
        <source>voice banks</source>
        <translation>Stimmenbänke</translation>
    </message>
    <message>
        <source>performance banks</source>
        <translation>Performance-Bänke</translation>
    </message>
    <message>
        <source>external banks</source>
        <translation>externen Bänke</translation>
    </message>
    <message>
        <source>internal banks</source>
        <translation>internen Bänke</translation>
    </message>
    <message>
        <source>%1
holds only the %2, not the %3 of the %4.
Do you wish to save the document as another file before %5</source>
        <translation>%1
enthält nur die %2, nicht aber %3 der %4.
Möchten Sie das Dokument als andere Datei speichern vor dem %5</translation>
    </message>
    <message>
        <source>%1
has not been saved, do you wish to save this before
%2</source>
        <translation>%1
wurde nicht gespeichert. Möchten Sie es speichern vor dem
%2</translation>
    </message>
    <message>
        <source>Unsaved File</source>
        <translation>Ungespeicherte Datei</translation>
    </message>
    <message>
        <source>Save &amp;As...</source>
        <translation>Speichern &amp;unter...</translation>
    </message>
    <message>
        <source>Canceled Open</source>
        <translation>Öffnen abgebrochen</translation>
    </message>
    <message>
        <source>Open...</source>
        <translation>Öffnen...</translation>
    </message>
    <message>
        <source>Open in New Window...</source>
        <translation>Öffnen in neuem Fenster...</translation>
    </message>
    <message>
        <source>Error opening file</source>
        <translation>Fehler beim Öffnen der Datei</translation>
    </message>
    <message>
        <source>Open successful</source>
        <translation>Öffnen erfolgreich</translation>
    </message>
    <message>
        <source>Save As...</source>
        <translation>Speichern unter...</translation>
    </message>
    <message>
        <source>Canceled Save</source>
        <translation>Speichern abgebrochen</translation>
    </message>
    <message>
        <source>%1 holds only the %2. The %3 of the %4 will not be saved. Save anyway?</source>
        <translation>%1 enthält nur die %2. Nicht gespeichert werden: %3 der %4. Trotzdem speichern?</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>%1 holds %2 that no document keeps: dumps to an edit buffer, other messages or MIDI events. Saving replaces the file with the document&apos;s programs only. Save anyway?</source>
        <translation>%1 enthält %2, die kein Dokument aufnimmt: Dumps an einen Edit-Puffer, andere Nachrichten oder MIDI-Ereignisse. Beim Speichern wird die Datei durch die Programme des Dokuments allein ersetzt. Trotzdem speichern?</translation>
    </message>
    <message>
        <source>Error writing file</source>
        <translation>Fehler beim Schreiben der Datei</translation>
    </message>
    <message>
        <source>Save successful</source>
        <translation>Speichern erfolgreich</translation>
    </message>
    <message>
        <source>%1 written in seven bits; the window keeps them</source>
        <translation>%1 mit sieben Bit geschrieben; das Fenster behält sie</translation>
    </message>
    <message>
        <source>%1 changed programs of the %2 are in no file</source>
        <translation>%1 geänderte Programme der %2 stehen in keiner Datei</translation>
    </message>
    <message>
        <source>Merge...</source>
        <translation>Zusammenführen...</translation>
    </message>
    <message>
        <source>Canceled Merge</source>
        <translation>Zusammenführen abgebrochen</translation>
    </message>
    <message>
        <source>Error merging file</source>
        <translation>Fehler beim Zusammenführen der Datei</translation>
    </message>
    <message>
        <source>Merge successful</source>
        <translation>Zusammenführen erfolgreich</translation>
    </message>
    <message>
        <source>Export Supporting Files...</source>
        <translation>Begleitdateien exportieren...</translation>
    </message>
    <message>
        <source>creating a new file?</source>
        <translation>Anlegen einer neuen Datei?</translation>
    </message>
    <message>
        <source>opening another file?</source>
        <translation>Öffnen einer anderen Datei?</translation>
    </message>
    <message>
        <source>closing?</source>
        <translation>Schließen?</translation>
    </message>
</context>
<context>
    <name>FileFilters</name>
    <message>
        <source>All Loadable Files (*.s2a;*.s2v;*.s2e;*.mid;*.syx)</source>
        <translation>Alle ladbaren Dateien (*.s2a;*.s2v;*.s2e;*.mid;*.syx)</translation>
    </message>
    <message>
        <source>S80 Bank Files (*.s2a;*.s2v;*.s2e)</source>
        <translation>S80-Bankdateien (*.s2a;*.s2v;*.s2e)</translation>
    </message>
    <message>
        <source>S80 All Bank Files (*.s2a)</source>
        <translation>S80-Dateien aller Bänke (*.s2a)</translation>
    </message>
    <message>
        <source>S80 Voice Bank Files (*.s2v)</source>
        <translation>S80-Stimmenbankdateien (*.s2v)</translation>
    </message>
    <message>
        <source>S80 External Bank Files (*.s2e)</source>
        <translation>S80-Dateien externer Bänke (*.s2e)</translation>
    </message>
    <message>
        <source>Standard MIDI Files (*.mid)</source>
        <translation>Standard-MIDI-Dateien (*.mid)</translation>
    </message>
    <message>
        <source>System Exclusive Files (*.syx)</source>
        <translation>SysEx-Dateien (*.syx)</translation>
    </message>
    <message>
        <source>All Files (*.*)</source>
        <translation>Alle Dateien (*.*)</translation>
    </message>
    <message>
        <source>Cakewalk Instrument Definition (*.ins)</source>
        <translation>Cakewalk-Instrumentdefinition (*.ins)</translation>
    </message>
    <message>
        <source>MIDI Name Document (*.midnam)</source>
        <translation>MIDI-Namensdokument (*.midnam)</translation>
    </message>
    <message>
        <source>System Exclusive Files, every program (*.syx)</source>
        <translation>SysEx-Dateien, jedes Programm (*.syx)</translation>
    </message>
    <message>
        <source>Standard MIDI Files, every program (*.mid)</source>
        <translation>Standard-MIDI-Dateien, jedes Programm (*.mid)</translation>
    </message>
    <message>
        <source>All Importable Files (*.s2i;*.mid;*.syx)</source>
        <translation>Alle importierbaren Dateien (*.s2i;*.mid;*.syx)</translation>
    </message>
    <message>
        <source>S80 Instrument Files (*.s2i)</source>
        <translation>S80-Instrumentdateien (*.s2i)</translation>
    </message>
    <message>
        <source>S80 Programs (*.s2a;*.s2v;*.s2e;*.s2i;*.syx;*.mid)</source>
        <translation>S80-Programme (*.s2a;*.s2v;*.s2e;*.s2i;*.syx;*.mid)</translation>
    </message>
</context>
<context>
    <name>FindField</name>
    <message>
        <source>Find name or category</source>
        <translation>Name oder Kategorie suchen</translation>
    </message>
</context>
<context>
    <name>ItemCommands</name>
    <message>
        <source>Cut %1</source>
        <translation>%1 ausgeschnitten</translation>
    </message>
    <message>
        <source>Copied %1</source>
        <translation>%1 kopiert</translation>
    </message>
    <message>
        <source>Pasted into %1</source>
        <translation>In %1 eingefügt</translation>
    </message>
    <message>
        <source>Couldn&apos;t %1, unmatched types</source>
        <translation>%1 nicht möglich: die Typen passen nicht zusammen</translation>
    </message>
    <message>
        <source>Cleared %1</source>
        <translation>%1 geleert</translation>
    </message>
    <message>
        <source>Name refused: at most %1 printable ASCII characters</source>
        <translation>Name abgelehnt: höchstens %1 druckbare ASCII-Zeichen</translation>
    </message>
    <message>
        <source>Renamed %1</source>
        <translation>%1 umbenannt</translation>
    </message>
    <message>
        <source>Unknown Internal Error</source>
        <translation>Unbekannter interner Fehler</translation>
    </message>
    <message>
        <source>Import...</source>
        <translation>Importieren...</translation>
    </message>
    <message>
        <source>Canceled Import</source>
        <translation>Importieren abgebrochen</translation>
    </message>
    <message>
        <source>Couldn&apos;t Import, unmatched types</source>
        <translation>Importieren nicht möglich: die Typen passen nicht zusammen</translation>
    </message>
    <message>
        <source>%1 holds no %2 dump among its %3 item dumps</source>
        <translation>%1 enthält unter seinen %3 Programm-Dumps keinen Dump vom Typ %2</translation>
    </message>
    <message>
        <source>Error importing from file</source>
        <translation>Fehler beim Importieren aus der Datei</translation>
    </message>
    <message>
        <source>Import successful</source>
        <translation>Importieren erfolgreich</translation>
    </message>
    <message>
        <source>Export...</source>
        <translation>Exportieren...</translation>
    </message>
    <message>
        <source>Canceled Export</source>
        <translation>Exportieren abgebrochen</translation>
    </message>
    <message>
        <source>Error exporting to file</source>
        <translation>Fehler beim Exportieren in die Datei</translation>
    </message>
    <message>
        <source>Export successful</source>
        <translation>Exportieren erfolgreich</translation>
    </message>
</context>
<context>
    <name>ItemListView</name>
    <message>
        <source>Unknown Internal Error</source>
        <translation>Unbekannter interner Fehler</translation>
    </message>
    <message>
        <source>Drag&apos;n&apos;drop types didn&apos;t match</source>
        <translation>Die Typen beim Ziehen und Ablegen passten nicht zusammen</translation>
    </message>
    <message>
        <source>Swapped %1 and %2</source>
        <translation>%1 und %2 getauscht</translation>
    </message>
    <message>
        <source>Copied %1 to %2</source>
        <translation>%1 nach %2 kopiert</translation>
    </message>
</context>
<context>
    <name>LibraryWindow</name>
    <message>
        <source>Library</source>
        <translation>Bibliothek</translation>
    </message>
    <message>
        <source>Find name, category or kind</source>
        <translation>Name, Kategorie oder Art suchen</translation>
    </message>
    <message>
        <source>Words of the name, category or kind; fav: for the favourites, tag:pads for the programs tagged pads</source>
        <translation>Wörter des Namens, der Kategorie oder der Art; fav: für die Favoriten, tag:pads für die Programme mit dem Tag pads</translation>
    </message>
    <message>
        <source>Only the programs of one category</source>
        <translation>Nur die Programme einer Kategorie</translation>
    </message>
    <message>
        <source>All Categories</source>
        <translation>Alle Kategorien</translation>
    </message>
    <message>
        <source>Canceled: another program was using the library</source>
        <translation>Abgebrochen: ein anderes Programm benutzte die Bibliothek</translation>
    </message>
    <message>
        <source>&amp;Library</source>
        <translation>Bib&amp;liothek</translation>
    </message>
    <message>
        <source>&amp;Add Files…</source>
        <translation>&amp;Dateien hinzufügen…</translation>
    </message>
    <message>
        <source>Add F&amp;older…</source>
        <translation>&amp;Ordner hinzufügen…</translation>
    </message>
    <message>
        <source>Add Doc&amp;ument</source>
        <translation>Dokument hin&amp;zufügen</translation>
    </message>
    <message>
        <source>&amp;New Bank Window from Collection</source>
        <translation>&amp;Neues Bankfenster aus Sammlung</translation>
    </message>
    <message>
        <source>&amp;Rename Collection…</source>
        <translation>Sammlung &amp;umbenennen…</translation>
    </message>
    <message>
        <source>Re&amp;move from Collection</source>
        <translation>Aus Sammlung &amp;entfernen</translation>
    </message>
    <message>
        <source>&amp;Delete Collection…</source>
        <translation>Sammlung lösc&amp;hen…</translation>
    </message>
    <message>
        <source>C&amp;lose</source>
        <translation>Sch&amp;ließen</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Wiederherstellen</translation>
    </message>
    <message>
        <source>&amp;Midi</source>
        <translation>&amp;Midi</translation>
    </message>
    <message>
        <source>&amp;Receive Edit Buffer to Library…</source>
        <translation>Edit-Puffer in Bibliothek &amp;empfangen…</translation>
    </message>
    <message>
        <source>Send to &amp;Buffer</source>
        <translation>In den &amp;Puffer senden</translation>
    </message>
    <message>
        <source>Send to &amp;Slot…</source>
        <translation>An &amp;Speicherplatz senden…</translation>
    </message>
    <message>
        <source>&amp;Export…</source>
        <translation>E&amp;xportieren…</translation>
    </message>
    <message>
        <source>Show &amp;Places</source>
        <translation>&amp;Fundorte zeigen</translation>
    </message>
    <message>
        <source>&amp;Compare With…</source>
        <translation>&amp;Vergleichen mit…</translation>
    </message>
    <message>
        <source>&amp;Favourite</source>
        <translation>Favor&amp;it</translation>
    </message>
    <message>
        <source>&amp;Tags…</source>
        <translation>&amp;Tags…</translation>
    </message>
    <message>
        <source>&amp;Remove from Collection</source>
        <translation>Aus Sammlung &amp;entfernen</translation>
    </message>
    <message>
        <source>All Programs</source>
        <translation>Alle Programme</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Dateien hinzufügen</translation>
    </message>
    <message>
        <source>Add Folder</source>
        <translation>Ordner hinzufügen</translation>
    </message>
    <message>
        <source>The document in front has no file yet: save it first</source>
        <translation>Das vordere Dokument hat noch keine Datei: zuerst speichern</translation>
    </message>
    <message>
        <source>Addition canceled: nothing added</source>
        <translation>Aufnahme abgebrochen: nichts hinzugefügt</translation>
    </message>
    <message>
        <source>Nothing added</source>
        <translation>Nichts hinzugefügt</translation>
    </message>
    <message>
        <source>Added %1, %2 already known; %3 skipped</source>
        <translation>%1 hinzugefügt, %2 bereits bekannt; %3 übersprungen</translation>
    </message>
    <message>
        <source>Choose a collection first</source>
        <translation>Zuerst eine Sammlung wählen</translation>
    </message>
    <message>
        <source>%1 had no room</source>
        <translation>für %1 war kein Platz</translation>
    </message>
    <message>
        <source>%1 damaged in the library</source>
        <translation>%1 in der Bibliothek beschädigt</translation>
    </message>
    <message>
        <source>%1 from %2</source>
        <translation>%1 aus %2</translation>
    </message>
    <message>
        <source>Left out, damaged in the library: %1</source>
        <translation>Ausgelassen, in der Bibliothek beschädigt: %1</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Werkzeuge</translation>
    </message>
    <message>
        <source>Redone: %1</source>
        <translation>Wiederhergestellt: %1</translation>
    </message>
    <message>
        <source>Undone: %1</source>
        <translation>Rückgängig gemacht: %1</translation>
    </message>
    <message>
        <source>Still waiting for another program using the library</source>
        <translation>Immer noch wartend auf ein anderes Programm, das die Bibliothek benutzt</translation>
    </message>
    <message>
        <source>Couldn&apos;t Drop, no whole program</source>
        <translation>Ablegen nicht möglich: kein vollständiges Programm</translation>
    </message>
    <message>
        <source>Added %1 to %2 (%3 new to the library)</source>
        <translation>%1 zu %2 hinzugefügt (%3 neu in der Bibliothek)</translation>
    </message>
    <message>
        <source>Delete &quot;%1&quot; and the collections under it? Its programs stay in the library.</source>
        <translation>„%1“ und die Sammlungen darunter löschen? Ihre Programme bleiben in der Bibliothek.</translation>
    </message>
    <message>
        <source>Delete Collection</source>
        <translation>Sammlung löschen</translation>
    </message>
    <message>
        <source>Deleted collection %1</source>
        <translation>Sammlung %1 gelöscht</translation>
    </message>
    <message>
        <source>Rename Collection</source>
        <translation>Sammlung umbenennen</translation>
    </message>
    <message>
        <source>New name:</source>
        <translation>Neuer Name:</translation>
    </message>
    <message>
        <source>Renamed collection %1 to %2</source>
        <translation>Sammlung %1 in %2 umbenannt</translation>
    </message>
    <message>
        <source>Choose the programs to remove first</source>
        <translation>Zuerst die zu entfernenden Programme wählen</translation>
    </message>
    <message>
        <source>Removed %1 from %2 (%3 gone from the library)</source>
        <translation>%1 aus %2 entfernt (%3 nicht mehr in der Bibliothek)</translation>
    </message>
    <message>
        <source>Choose a program first</source>
        <translation>Zuerst ein Programm wählen</translation>
    </message>
    <message>
        <source>Marked as favourite:</source>
        <translation>Als Favorit markiert:</translation>
    </message>
    <message>
        <source>No longer favourite:</source>
        <translation>Nicht mehr Favorit:</translation>
    </message>
    <message>
        <source>Choose the programs to mark first</source>
        <translation>Zuerst die zu markierenden Programme wählen</translation>
    </message>
    <message>
        <source>Choose the programs to tag first</source>
        <translation>Zuerst die zu taggenden Programme wählen</translation>
    </message>
    <message>
        <source>Tags</source>
        <translation>Tags</translation>
    </message>
    <message>
        <source>Tags of %1, separated by blanks:</source>
        <translation>Tags von %1, durch Leerzeichen getrennt:</translation>
    </message>
    <message>
        <source>Tagged %1</source>
        <translation>%1 getaggt</translation>
    </message>
    <message>
        <source>Receive Edit Buffer to Library</source>
        <translation>Edit-Puffer in Bibliothek empfangen</translation>
    </message>
    <message>
        <source>The edit buffer of the kind:</source>
        <translation>Der Edit-Puffer der Art:</translation>
    </message>
    <message>
        <source>Nothing received: nothing added</source>
        <translation>Nichts empfangen: nichts hinzugefügt</translation>
    </message>
    <message>
        <source>Received %1 into %2</source>
        <translation>%1 in %2 empfangen</translation>
    </message>
    <message>
        <source>Received</source>
        <translation>Empfangen</translation>
    </message>
    <message>
        <source>Send to Slot</source>
        <translation>An Speicherplatz senden</translation>
    </message>
    <message>
        <source>The slot on the S80:</source>
        <translation>Der Speicherplatz im S80:</translation>
    </message>
    <message>
        <source>Replace %1:%2 %3 on the S80?</source>
        <translation>%1:%2 %3 im S80 ersetzen?</translation>
    </message>
    <message>
        <source>Export...</source>
        <translation>Exportieren...</translation>
    </message>
    <message>
        <source>program</source>
        <translation>Programm</translation>
    </message>
    <message>
        <source>Canceled Export</source>
        <translation>Exportieren abgebrochen</translation>
    </message>
    <message>
        <source>Error exporting to file</source>
        <translation>Fehler beim Exportieren in die Datei</translation>
    </message>
    <message>
        <source>Export successful</source>
        <translation>Exportieren erfolgreich</translation>
    </message>
    <message>
        <source>Places</source>
        <translation>Fundorte</translation>
    </message>
    <message>
        <source>%1:%2 was seen in %3.</source>
        <translation>%1:%2 fand sich in %3.</translation>
    </message>
    <message>
        <source>no file and no reception</source>
        <translation>keiner Datei und keinem Empfang</translation>
    </message>
</context>
<context>
    <name>LibraryWriteWait</name>
    <message>
        <source>Waiting for another program using the library…</source>
        <translation>Warten auf ein anderes Programm, das die Bibliothek benutzt…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>MidiCommands</name>
    <message>
        <source>The synthesizer holds other data than was sent, also after sending it again</source>
        <translation>Der Synthesizer enthält andere Daten als gesendet, auch nach erneutem Senden</translation>
    </message>
    <message>
        <source>The item could not be read back whole from the synthesizer, also after sending it again</source>
        <translation>Das Programm ließ sich nicht vollständig vom Synthesizer zurücklesen, auch nach erneutem Senden</translation>
    </message>
    <message>
        <source>Read back the same after sending it again</source>
        <translation>Nach erneutem Senden gleich zurückgelesen</translation>
    </message>
    <message>
        <source>Read back the same</source>
        <translation>Gleich zurückgelesen</translation>
    </message>
    <message>
        <source>asked once</source>
        <translation>einmal angefragt</translation>
    </message>
    <message>
        <source>asked twice</source>
        <translation>zweimal angefragt</translation>
    </message>
    <message>
        <source>asked %1 times</source>
        <translation>%1-mal angefragt</translation>
    </message>
    <message>
        <source>%1 of %2 blocks did not arrive (%3) and are 0 (Undo restores the item)</source>
        <translation>%1 von %2 Blöcken kamen nicht an (%3) und sind 0 (Rückgängig stellt das Programm wieder her)</translation>
    </message>
    <message>
        <source>Complete after a loss on the way (%1)</source>
        <translation>Vollständig nach einem Verlust unterwegs (%1)</translation>
    </message>
    <message>
        <source>Canceled %1</source>
        <translation>%1 abgebrochen</translation>
    </message>
    <message>
        <source>Replace the %1 programs of the S80&apos;s %2 bank?</source>
        <translation>Die %1 Programme der Bank %2 im S80 ersetzen?</translation>
    </message>
    <message>
        <source>Replace all %1 programs of the S80&apos;s %2 banks?</source>
        <translation>Alle %1 Programme der %2 Bänke im S80 ersetzen?</translation>
    </message>
    <message>
        <source>%1; canceled</source>
        <translation>%1; abgebrochen</translation>
    </message>
    <message>
        <source>%1; stopped: %2</source>
        <translation>%1; angehalten: %2</translation>
    </message>
</context>
<context>
    <name>OneNameFileDialog</name>
    <message>
        <source>%1
File not found.
Please verify the correct file name was given.</source>
        <translation>%1
Datei nicht gefunden.
Bitte prüfen Sie, ob der Dateiname richtig ist.</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 existiert bereits.
Möchten Sie die Datei ersetzen?</translation>
    </message>
</context>
<context>
    <name>PreferencesDialog</name>
    <message>
        <source>Preferences...</source>
        <translation>Einstellungen...</translation>
    </message>
    <message>
        <source>MIDI</source>
        <translation>MIDI</translation>
    </message>
    <message>
        <source>MIDI &amp;Input:</source>
        <translation>MIDI-&amp;Eingang:</translation>
    </message>
    <message>
        <source>MIDI O&amp;utput:</source>
        <translation>MIDI-&amp;Ausgang:</translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation>Neu ein&amp;lesen</translation>
    </message>
    <message>
        <source>Read the lists of MIDI ports again</source>
        <translation>Die Listen der MIDI-Anschlüsse neu einlesen</translation>
    </message>
    <message>
        <source>&amp;Verify after sending</source>
        <translation>Nach dem Senden ü&amp;berprüfen</translation>
    </message>
    <message>
        <source>Read each program back after storing it on the synthesizer and compare</source>
        <translation>Jedes Programm nach dem Speichern im Synthesizer zurücklesen und vergleichen</translation>
    </message>
    <message>
        <source>&amp;Keep received programs in the library</source>
        <translation>Empfangenes in der Bibliothek be&amp;halten</translation>
    </message>
    <message>
        <source>Every program received from the synthesizer joins the library, with when and where it came from</source>
        <translation>Jedes vom Synthesizer empfangene Programm kommt in die Bibliothek, mit Zeit und Herkunft</translation>
    </message>
    <message>
        <source>Sysx Dump</source>
        <translation>SysEx-Dump</translation>
    </message>
    <message>
        <source>How many more times to ask for a program that arrived incomplete</source>
        <translation>Wie oft ein unvollständig angekommenes Programm erneut angefragt wird</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>Buffer &amp;Size:</source>
        <translation>&amp;Puffergröße:</translation>
    </message>
    <message>
        <source>&amp;Number:</source>
        <translation>An&amp;zahl:</translation>
    </message>
    <message>
        <source>Recv &amp;Timeout:</source>
        <translation>&amp;Timeout:</translation>
    </message>
    <message>
        <source>Retri&amp;es:</source>
        <translation>&amp;Versuche:</translation>
    </message>
    <message>
        <source>Buffer Delay:</source>
        <translation>Pufferpause:</translation>
    </message>
    <message>
        <source>F7 Delay:</source>
        <translation>F7-Pause:</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>Abb&amp;rechen</translation>
    </message>
    <message>
        <source>&amp;Apply</source>
        <translation>Über&amp;nehmen</translation>
    </message>
    <message>
        <source>Buffer Size</source>
        <translation>Puffergröße</translation>
    </message>
    <message>
        <source>Number</source>
        <translation>Anzahl</translation>
    </message>
    <message>
        <source>Recv Timeout</source>
        <translation>Timeout</translation>
    </message>
    <message>
        <source>Retries</source>
        <translation>Versuche</translation>
    </message>
    <message>
        <source>an empty field</source>
        <translation>ein leeres Feld</translation>
    </message>
    <message>
        <source>%1 must be from %2 to %3; %4 does not work. Nothing was applied.</source>
        <translation>%1 muss zwischen %2 und %3 liegen; %4 geht nicht. Nichts wurde übernommen.</translation>
    </message>
    <message>
        <source>%1
Nothing was applied.</source>
        <translation>%1
Nichts wurde übernommen.</translation>
    </message>
</context>
<context>
    <name>ProgramMidi</name>
    <message>
        <source>

Once it is back, Edit &gt; Preferences &gt; Refresh connects to it again.</source>
        <translation>

Sobald er wieder da ist, verbindet Bearbeiten &gt; Einstellungen &gt; Neu einlesen ihn erneut.</translation>
    </message>
</context>
<context>
    <name>ProgramTableModel</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Category</source>
        <translation>Kategorie</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Art</translation>
    </message>
    <message>
        <source>Place</source>
        <translation>Platz</translation>
    </message>
    <message>
        <source>Sources</source>
        <translation>Quellen</translation>
    </message>
    <message>
        <source>Tags</source>
        <translation>Tags</translation>
    </message>
    <message>
        <source>Added</source>
        <translation>Hinzugefügt</translation>
    </message>
    <message>
        <source>received %1</source>
        <translation>empfangen %1</translation>
    </message>
    <message>
        <source>Favourite: a click or Ctrl+D marks and unmarks it</source>
        <translation>Favorit: ein Klick oder Strg+D markiert und entmarkiert</translation>
    </message>
</context>
<context>
    <name>ReceivedToLibrary</name>
    <message>
        <source>Not kept in the library: %1</source>
        <translation>Nicht in der Bibliothek behalten: %1</translation>
    </message>
    <message>
        <source>%1 in the library, %2 already there</source>
        <translation>%1 in der Bibliothek, %2 schon vorhanden</translation>
    </message>
</context>
<context>
    <name>SingleApplication</name>
    <message>
        <source>Running alone: %1</source>
        <translation>Läuft allein: %1</translation>
    </message>
    <message>
        <source>no private runtime folder</source>
        <translation>kein privater Laufzeitordner</translation>
    </message>
    <message>
        <source>another Corvale holds %1 but does not answer</source>
        <translation>ein anderes Corvale hält %1, antwortet aber nicht</translation>
    </message>
    <message>
        <source>cannot take %1</source>
        <translation>%1 lässt sich nicht belegen</translation>
    </message>
    <message>
        <source>Cleared the stale %1</source>
        <translation>Veraltetes %1 entfernt</translation>
    </message>
    <message>
        <source>cannot listen on %1</source>
        <translation>kein Empfang auf %1 möglich</translation>
    </message>
</context>
<context>
    <name>TransferDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>about %1 minutes left</source>
        <translation>noch etwa %1 Minuten</translation>
    </message>
    <message>
        <source>about a minute left</source>
        <translation>noch etwa eine Minute</translation>
    </message>
    <message>
        <source>about %1 seconds left</source>
        <translation>noch etwa %1 Sekunden</translation>
    </message>
    <message>
        <source>Asking again: item %1 of %2</source>
        <translation>Erneute Anfrage: Programm %1 von %2</translation>
    </message>
    <message>
        <source>Item %1 of %2</source>
        <translation>Programm %1 von %2</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>%1
Cancelling...</source>
        <translation>%1
Wird abgebrochen...</translation>
    </message>
</context>
</TS>
