#ifndef VN_COMPONENTS_PARAMMANAGER_H
#define VN_COMPONENTS_PARAMMANAGER_H

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "../common/tinybind.h"

class ComponentArena;
class ComponentManager;
class Param;
class VnComponent;

// Every component setting of one run: the trees read from the settings descriptions of the
// loaded components, in loading order, and one depth-first walk over them. Loading values,
// saving the answers, exporting values for the products' scripts, and the listings and
// wizard pages are all visitors of that walk.
//
// One manager per run; the newest one is `current`, which default values use to refer to
// other settings. At the end of the run finish() writes the answers file and removes the
// exported files (the destructor does it when nobody did).
class ParamManager {
public:
    typedef std::vector<std::shared_ptr<Param>> ParamList;
    // Product id -> setting id -> value.
    typedef std::map<std::string, std::map<std::string, std::string>> Values;

    class Visitor {
    public:
        // Once, before anything else of a walk.
        virtual void begin();
        // Every parameter the walk reaches.
        virtual void visit(const std::shared_ptr<Param>& param) = 0;
        // After visit of a parameter with branches, before them.
        virtual void enterSubParams(const std::shared_ptr<Param>& param);
        virtual void enterBranch(const std::shared_ptr<Param>& param, const std::string& branch);
        virtual void leaveBranch(const std::shared_ptr<Param>& param, const std::string& branch);
        virtual void leaveSubParams(const std::shared_ptr<Param>& param);
        // Once, after the walk.
        virtual void end();
        virtual ~Visitor();
    };

    // Offers the given values (product of the first owner, then setting id) to the settings
    // the walk reaches. Read-only, static and hidden settings are left alone; a refused value
    // is logged, counted in `refused` when one is given, and the walk goes on. Secret values
    // are logged as "***".
    class ParamLoader : public Visitor {
    public:
        explicit ParamLoader(const Values& values, int* refused = nullptr);
        void visit(const std::shared_ptr<Param>& param) override;

    private:
        const Values& values;
        int* refused;
    };

    // Collects the settings worth keeping for the next run (own value set, regular
    // behaviour, neither static nor hidden) per product; write() puts them on `out`.
    class ParamFileSaver : public Visitor {
    public:
        explicit ParamFileSaver(std::ostream& out);
        void visit(const std::shared_ptr<Param>& param) override;
        // "[product]\n", then id="quoted value" lines in visit order, then "\n\n\n", per
        // product in byte order; nothing at all when nothing was collected.
        void write();

    private:
        std::map<std::string, ParamList> collected;
        std::ostream& out;
    };

    // Writes every set setting of the selected components into its product's parameters
    // file: id="quoted value" lines, secret ones included (the log shows "***"). The first
    // visited build of a product decides the file. A file that cannot be written safely
    // raises error (4,1,1,2) "err_file_create".
    class ParamFileExport : public Visitor {
    public:
        // One product's parameters file, written through a descriptor of our own making.
        class file_t {
        public:
            // An empty path: nothing is written (the build names no file). Otherwise the
            // path must be absolute and, when it exists, a regular file (not a link); it is
            // made or truncated with mode 0600.
            file_t(const std::string& productId, const std::string& path);
            ~file_t();
            file_t(const file_t&) = delete;
            file_t& operator=(const file_t&) = delete;

            void write(const std::string& line);
            // Closes with a check; a second call does nothing.
            void close();
            // Whether a file was opened (and so must be removed at the end of the run).
            bool created() const { return opened; }

            const std::string productId;
            const std::string path;

        private:
            [[noreturn]] void fail(int reason);

            int fd;
            bool opened;
        };

        ParamFileExport();
        ~ParamFileExport() override;
        void visit(const std::shared_ptr<Param>& param) override;
        // Closes every file with a check; the first failure raises.
        void close();
        // The files made, in creation order.
        std::vector<std::string> createdPaths() const;

    private:
        std::vector<std::shared_ptr<file_t>> files;
    };

    ParamManager();
    // Runs finish() when it has not run.
    ~ParamManager();
    ParamManager(const ParamManager&) = delete;
    ParamManager& operator=(const ParamManager&) = delete;

    // The newest manager; null when none lives (or its run has finished).
    static ParamManager* current;

    // Keeps the run's components alive as long as the manager: settings name their owners
    // by plain pointers, and finish() still reads them.
    void keepComponents(const std::shared_ptr<ComponentArena>& arena);

    // The settings of one component from its settings element: every child element, in
    // document order. A failure raises and leaves what was made so far in place.
    void createFromElements(VnComponent* component, TiXmlElement* element);
    // One "setting" or "group" element with everything below it, filed under `branch` of
    // `parent`, or at the end of the top-level list when `parent` is empty.
    void create(VnComponent* component, const tinybind::Element& element, const std::shared_ptr<Param>& parent,
                const std::string& branch);
    // The setting of one "setting" element, without what lies below it.
    static std::shared_ptr<Param> createSetting(VnComponent* component, const tinybind::Element& element);
    // The text of the children `name` for the catalogue's language: the last child whose
    // "lang" is the locale up to its first '.', else the first child, else "".
    static std::string get_localized_text_from_subnode(const tinybind::Element& element, const std::string& name);

    // Walks the top-level settings in order, each depth-first. With a `start`, the visitor
    // hears of the start and everything after it (found by identity). With
    // `skipUnselected`, a top-level setting of an unselected component is passed over with
    // everything below it. A setting whose own value is set walks only the branch of its
    // value; an unset one walks every branch, in byte order.
    void visit(Visitor& visitor, const std::shared_ptr<Param>& start, bool skipUnselected);

    // Reads the status of every selected component, so one never determined raises before
    // any setting is loaded.
    void investigateComponentsStatus(const ComponentManager& components);
    // Over the editable top-level settings: the components that own one, and those whose
    // score (+1 per set setting, -100 per unset one) is above 0.
    int countConfiguredComponents() const;
    int countReadyComponents() const;

    // Text variables, then each "[id]" of a top-level setting by its effective value (not
    // scanned again); other bracketed names stay.
    void expandParamReferences(std::string& text) const;

    // Offers the component settings gathered from the settings file and the command line
    // (the drivers pass Options::componentOptions) to every setting, unselected components'
    // included; `refused`, when given, counts the values refused.
    void loadFromOptions(const Values& componentOptions, int* refused = nullptr);
    // Writes the parameters files of the selected components; the files made are removed by
    // finish(), also when this raises part-way.
    void exportToFiles();
    // The answers file "~/.vantrell/options.ini" (home from the password database), replaced
    // whole through a private temporary file; failures are logged at level 0, never raised.
    void writeOptionsIni();
    // End of the run, once: the answers file (unless `writeAnswers` is false: a listing's
    // selection is no answer to keep), the removal of the exported files, and `current`
    // released. Raises nothing.
    void finish(bool writeAnswers = true);

    const ParamList& getParams() const { return params; }
    const std::vector<std::string>& getExportedFiles() const { return exportedFiles; }

private:
    void walk(Visitor& visitor, const std::shared_ptr<Param>& param, const std::shared_ptr<Param>& start,
              bool& active);

    ParamList params;
    std::vector<std::string> exportedFiles;
    std::shared_ptr<ComponentArena> components;
    bool finished;
};

// Replaces, in place, each "[NAME]" whose NAME is a known text variable by its value; an
// unknown name stays as written, and an inserted value is not scanned again. The only
// variable is LOCALE: the catalogue's locale up to its first '.', with a '_' in third place
// turned into '-' ("en_US.UTF-8" gives "en-US"). 0 when the scan reached the end, -1 when a
// '[' has no ']' after it (the text is expanded up to there).
int expandTextVariables(std::string& text);

// A setting's default as it is offered: text variables and references to other settings
// expanded with the run's parameter manager. Without one, the text unchanged. A default that
// refers back to itself, directly or through others, comes back unexpanded with a warning.
std::string expandDefaultValue(const std::string& text);

#endif
